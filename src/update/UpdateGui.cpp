#include "update/UpdateGui.h"

#include <QMetaObject>
#include <QObject>
#include <QWidget>

#include "platform/Shell.h"
#include "toolkit/ErrorDisplay.h"
#include "update/UpdateCheck.h"
#include "update/UpdateWorker.h"

namespace {

std::function<void(const std::string&)>& Opener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}

void OpenHomePage(const std::string& url) {
    if (Opener())
        Opener()(url);
    else
        vh::platform::OpenUrl(url);
}

const char kRunnerName[] = "vhUpdateWorker";

// The host's update worker, a child of its main widget: it lives exactly as long as the window, and a
// result that arrives after the window is gone is dropped with the child's queued calls.
class UpdateRunner : public QObject {
public:
    explicit UpdateRunner(vh::PageHost& host)
        : QObject(host.MainWidget()),
          worker_(
              [this](std::function<void()> fn) {
                  QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
              },
              [&host](vh::update::CheckKind kind, const vh::update::CheckResult& result) {
                  vh::RunGuarded([&] {
                      const auto ask = [&host](const std::string& caption, const std::string& text) {
                          return host.ShowNotice(caption, text);
                      };
                      if (vh::update::ReportCheck(kind, result, ask))
                          OpenHomePage(result.homePage);
                  });
              }) {
        setObjectName(QLatin1String(kRunnerName));
    }

    vh::update::UpdateWorker& Worker() { return worker_; }

private:
    vh::update::UpdateWorker worker_;
};

UpdateRunner* FindRunner(vh::PageHost& host) {
    return dynamic_cast<UpdateRunner*>(
        host.MainWidget()->findChild<QObject*>(QLatin1String(kRunnerName), Qt::FindDirectChildrenOnly));
}

void Request(vh::PageHost& host, const TSettingsAccessor& settings, vh::update::CheckKind kind) {
    UpdateRunner* runner = FindRunner(host);
    if (!runner)
        runner = new UpdateRunner(host);
    // Config.ini is read now, on this thread; the worker gets plain values.
    runner->Worker().Request(kind, vh::update::PrepareCheck(settings));
}

} // namespace

void tmrUpdateTimer(vh::PageHost& host, const TSettingsAccessor& settings) {
    Request(host, settings, vh::update::CheckKind::Automatic);
}

void Label1Click(vh::PageHost& host, const TSettingsAccessor& settings) {
    Request(host, settings, vh::update::CheckKind::Manual);
}

namespace vh::update {

void SetHomePageOpener(std::function<void(const std::string& url)> opener) {
    Opener() = std::move(opener);
}

bool UpdateCheckRunning(vh::PageHost& host) {
    UpdateRunner* runner = FindRunner(host);
    return runner && runner->Worker().Running();
}

} // namespace vh::update
