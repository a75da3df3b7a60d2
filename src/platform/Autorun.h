#pragma once
// The start-with-the-session entry: the HKLM Run value "Varnholt" on Windows, an XDG autostart desktop
// entry on Linux.
#include <string>

namespace vh::platform {

// Removes the entry; a missing entry or a failed removal is ignored.
void RemoveAutorunEntry();
// Writes the entry so that exePath starts with the session. Throws std::runtime_error on failure.
void WriteAutorunEntry(const std::string& exePath);
// True when the entry exists (for tests and diagnostics; the page never reads it).
bool AutorunEntryExists();

} // namespace vh::platform
