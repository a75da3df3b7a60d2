#pragma once
// Putting a finished file into place so that a crash or a power cut leaves either the old state or the
// whole new file under the final name, never a part of it.
#include <string>

namespace vh::platform {

// Flushes from to the disk, renames it over to (replacing a file there) and flushes the folder's entry.
// False with the system's reason in error (native encoding); from is left where it was then.
bool ReplaceFileDurably(const std::string& from, const std::string& to, std::string& error);

} // namespace vh::platform
