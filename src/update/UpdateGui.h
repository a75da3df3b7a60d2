#pragma once
// The main window's update handlers: its timer tmrUpdate and the three "更新" controls.
#include <functional>
#include <string>

#include "settings/SettingsAccessor.h"
#include "toolkit/PageHost.h"

// Both start a check in the background and return at once; the outcome is reported on this thread when
// the transfer has ended. Nothing new starts while a check runs (see UpdateWorker::Request).

// Every tick of tmrUpdate: silent unless an update exists, then offers the home page.
void tmrUpdateTimer(vh::PageHost& host, const TSettingsAccessor& settings);
// Label1, btn25 and btn18: reports the outcome of a check either way.
void Label1Click(vh::PageHost& host, const TSettingsAccessor& settings);

namespace vh::update {

// How the home page is opened (vh::platform::OpenUrl unless replaced; tests record instead).
void SetHomePageOpener(std::function<void(const std::string& url)> opener);

// True from the start of a check for host until its outcome has been reported.
bool UpdateCheckRunning(vh::PageHost& host);

} // namespace vh::update
