#include "toolkit/AppTermination.h"

#include <QCoreApplication>

namespace vh {

namespace {
bool terminated = false;
}

void TerminateApplication() {
    terminated = true;
    // exit() leaves every nested loop of the thread as well as the main one.
    QCoreApplication::exit(0);
}

bool ApplicationTerminated() {
    return terminated;
}

void ResetApplicationTermination() {
    terminated = false;
}

} // namespace vh
