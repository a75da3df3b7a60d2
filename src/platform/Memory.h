#pragma once

namespace vh::platform {

// Gives back what an idle tray program holds without need: freed heap, and the resident pages of
// its code and read-only files, which come back from the page cache on the next touch. Nothing is
// lost and nothing changes for the caller; Windows does the same to a minimised program's pages.
void TrimWorkingSet();

} // namespace vh::platform
