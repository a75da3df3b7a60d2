#pragma once
// The settings that timers follow: automatic update switches tmrUpdate, the tip interval re-arms tmrTips.
// A page that writes them only writes them; this makes the change take effect.
class TSettingsAccessor;

namespace vh {
class PageHost;
}

// From now on every write of OtherSettings/AutoUpdate or OtherSettings/TipInterval through settings sets
// host's timer. A new tip interval restarts the tips timer, which keeps the rotation where it is.
void FollowTimerSettings(TSettingsAccessor& settings, vh::PageHost& host);
