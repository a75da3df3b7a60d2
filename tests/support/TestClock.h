#pragma once
// The injectable clock set to a chosen moment while the object lives; the system clock afterwards.
#include "platform/Clock.h"

namespace vh::test {

inline vh::DateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return vh::DateTime{y, mo, d, h, mi, s, ms};
}

class TestClock {
public:
    explicit TestClock(const vh::DateTime& now = {}) : now_(now) {
        vh::SetClock([this] { return now_; });
    }
    ~TestClock() { vh::SetClock({}); }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void Set(const vh::DateTime& now) { now_ = now; }
    const vh::DateTime& Now() const { return now_; }

private:
    vh::DateTime now_;
};

} // namespace vh::test
