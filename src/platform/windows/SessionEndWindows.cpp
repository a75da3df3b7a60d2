// Windows ends a GUI program's session through its windows (WM_QUERYENDSESSION, WM_ENDSESSION), which Qt
// handles; there are no signals to catch.
#include "platform/SessionEnd.h"

namespace vh::platform {

TerminationSignals::TerminationSignals() = default;
TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::Reclaim() {}

int TerminationSignals::Fd() const {
    return -1;
}

bool TerminationSignals::Take() {
    return false;
}

// WM_QUERYENDSESSION comes only when the session ends; there is no checkpoint.
bool SaveRequestEndsSession() {
    return true;
}

} // namespace vh::platform
