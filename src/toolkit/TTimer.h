#pragma once
// A message-loop timer with the semantics the program was designed for: interval 0 never fires, and
// setting the interval of a running timer restarts its count.
#include <QObject>
#include <QTimer>

namespace vh {

class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject* parent = nullptr, int intervalMs = 1000, bool enabled = false);

    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    void Start() { SetEnabled(true); }
    void Stop() { SetEnabled(false); }
    // True while enabled with a non-zero interval, i.e. when it will fire.
    bool IsActive() const { return timer_.isActive(); }

signals:
    void OnTimer();

private:
    void Apply();
    QTimer timer_;
    int interval_;
    bool enabled_;
};

} // namespace vh
