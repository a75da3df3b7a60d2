#pragma once
// Where the program lives: the settings file, the database and the tips file lie beside the executable.
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
// The sampler's trace file: "c:\logd.txt" on Windows, logd.txt in the application folder elsewhere.
std::string TraceFilePath();

// Tests and tools may point the application folder elsewhere; empty restores the executable's folder.
void OverrideExecutableDir(const std::string& dirWithSeparator);

bool FileExists(const std::string& path);

} // namespace vh::platform
