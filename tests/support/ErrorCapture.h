#pragma once
// Collects what the application's error display would show, for the life of the object.
#include <string>
#include <vector>

#include "toolkit/ErrorDisplay.h"

namespace vh::test {

class ErrorCapture {
public:
    ErrorCapture() {
        Shown().clear();
        vh::SetErrorSink(&Collect);
    }
    ~ErrorCapture() { vh::SetErrorSink(nullptr); }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    // The texts shown so far (GBK).
    const std::vector<std::string>& errors() const { return Shown(); }
    void clear() { Shown().clear(); }

private:
    static std::vector<std::string>& Shown() {
        static std::vector<std::string> shown;
        return shown;
    }
    static void Collect(const std::string& gbk) { Shown().push_back(gbk); }
};

} // namespace vh::test
