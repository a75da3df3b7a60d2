#pragma once
// The seam between the database layer and the operating system's library loader, so that a missing client
// library is an opening error and not a failed program start. One backend per platform.
#include <string>

namespace vh::fb {

// The client library's name or path used unless tests configure another.
std::string DefaultClientLibrary();
// nullptr and a message (native encoding) in error when the library cannot be loaded.
void* LoadClientLibrary(const std::string& path, std::string& error);
void* ClientLibrarySymbol(void* library, const char* name);

// Settings the engine reads from the environment; called once, after the library is loaded and before its
// first call. sharedAccess asks for an engine that lets other processes of the user open a database while
// this one holds it. Returns the folder that such a process must name both as FIREBIRD and as
// FIREBIRD_LOCK, or empty when the engine holds its files alone.
std::string PrepareEngineEnvironment(void* library, bool sharedAccess);
// Called once the engine has read its configuration: puts back what PrepareEngineEnvironment changed only
// for the engine's start, so that programs we start do not inherit it.
void EngineEnvironmentRead();

} // namespace vh::fb
