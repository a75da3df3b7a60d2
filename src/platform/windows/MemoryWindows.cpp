#include "platform/Memory.h"

#include <malloc.h>
#include <windows.h>

namespace vh::platform {

void TrimWorkingSet() {
    _heapmin();
    // (SIZE_T)-1 twice: remove as many pages as possible from the working set.
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

} // namespace vh::platform
