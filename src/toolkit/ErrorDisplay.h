#pragma once
// The application's default error display: an error that escapes a handler is shown in a message box
// with its own text, and the handler ends there.
#include <exception>
#include <string>
#include <utility>

namespace vh {

// Shows the text (GBK) in a modal error box owned by the application.
void ShowApplicationError(const std::string& gbk);

// Runs f; an exception leaving it is shown and swallowed. True when f completed.
template <class F> bool RunGuarded(F&& f) {
    try {
        std::forward<F>(f)();
        return true;
    } catch (const std::exception& e) {
        ShowApplicationError(e.what());
    } catch (...) {
        ShowApplicationError("Unknown error");
    }
    return false;
}

// Tests: replaces the message box (an empty function restores it).
using ErrorSink = void (*)(const std::string& gbk);
void SetErrorSink(ErrorSink sink);

} // namespace vh
