#pragma once
// The running executable and its folder. Where the program's own files live is AppLocations.h.
#include <string>

namespace vh::platform {

// Full path of the running executable, as the system reports it.
std::string ExecutablePath();
// The executable's folder with its trailing separator ('\\' on Windows, '/' elsewhere).
std::string ExecutableDir();
// The path separator of this platform.
char PathSeparator();
// The line end of the text files the program writes itself ("\r\n" on Windows, "\n" elsewhere).
const char* LineEnd();

// Tests and tools may point the application folder elsewhere; empty restores the executable's folder. An
// application folder set this way is the user's own: every file of the program lies there.
void OverrideExecutableDir(const std::string& dirWithSeparator);
// The folder set with OverrideExecutableDir, empty when none is.
std::string ExecutableDirOverride();

bool FileExists(const std::string& path);

} // namespace vh::platform
