#pragma once
// The seam between the database layer and the operating system's library loader, so that a missing client
// library is an opening error and not a failed program start. One backend per platform.
#include <string>

namespace vh::fb {

// The client library's name or path used unless tests configure another.
std::string DefaultClientLibrary();
// Settings the engine reads from the environment; called once before the library is loaded.
void PrepareEngineEnvironment();
// nullptr and a message (native encoding) in error when the library cannot be loaded.
void* LoadClientLibrary(const std::string& path, std::string& error);
void* ClientLibrarySymbol(void* library, const char* name);

} // namespace vh::fb
