#include "toolkit/TTimer.h"

namespace vh {

TTimer::TTimer(QObject* parent, int intervalMs, bool enabled)
    : QObject(parent), interval_(intervalMs), enabled_(enabled) {
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &TTimer::OnTimer);
    Apply();
}

void TTimer::SetInterval(int ms) {
    interval_ = ms;
    Apply();
}

void TTimer::SetEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    Apply();
}

void TTimer::Apply() {
    timer_.stop();
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
}

} // namespace vh
