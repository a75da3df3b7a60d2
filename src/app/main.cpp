// The program entry: single instance, the long-lived objects in their order, the message loop.
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <exception>
#include <memory>
#include <string>

#include "app/Assembly.h"
#include "app/Unit1.h"
#include "platform/AppLocations.h"
#include "platform/SessionEnd.h"
#include "platform/SingleInstance.h"
#include "platform/WindowSystem.h"
#include "toolkit/AppTermination.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/QtText.h"
#include "toolkit/QtTranslations.h"
#include "toolkit/Skin.h"

#include "settings/SettingsAccessor.h"
#include "storage/uDBMoudle.h"
#include "update/Tips.h"

namespace {

// An error escaping an event handler is shown with its own text, and the loop goes on.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* e) override {
        try {
            return QApplication::notify(receiver, e);
        } catch (const std::exception& ex) {
            vh::ShowApplicationError(ex.what());
        } catch (...) {
            vh::ShowApplicationError("Unknown error");
        }
        return false;
    }

    bool event(QEvent* e) override {
        // The window system's own quit request (a session manager's "die", Windows' WM_ENDSESSION) ends the
        // program like its exit. Qt would first ask the windows to close, and the main window refuses.
        if (e->type() == QEvent::Quit) {
            vh::TerminateApplication();
            return true;
        }
        return QApplication::event(e);
    }
};

// Logging off or shutting down ends the program like its own exit; a session manager's checkpoint (a
// request to save while the session goes on) does not. Samples are committed as they are taken, so there is
// nothing else to save. So do the signals of the session's end; the handler only marks them, the exit runs
// from the loop.
std::unique_ptr<QSocketNotifier> EndWithTheSession(QApplication& app, vh::platform::TerminationSignals& endSignals) {
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [](QSessionManager&) {
        if (vh::platform::SaveRequestEndsSession())
            vh::TerminateApplication();
    });
    if (endSignals.Fd() < 0)
        return nullptr;
    auto notifier = std::make_unique<QSocketNotifier>(endSignals.Fd(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &app, [&endSignals] {
        if (endSignals.Take())
            vh::TerminateApplication();
    });
    return notifier;
}

// Installed, every user has files of their own: the first start copies the delivered ones. What cannot be
// copied is reported, and the start goes on: the database then reports its own missing file.
void ProvideUsersFiles(const vh::platform::AppLocations& where) {
    try {
        vh::platform::ProvideDeliveredFiles(where, {kConfigFileName, kTipsFileName, TDMMain::kStartupFile});
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Varnholt"), QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
    }
}

// The long-lived objects in their order, start-up, and the message loop.
int RunProgram(QApplication& app, const vh::platform::AppLocations& where,
               vh::platform::TerminationSignals& endSignals) {
    // 1. The database module; a failed opening is reported and start-up goes on. Shared access is off by
    // default: in that mode a process killed while it holds the engine's lock table leaves every other
    // process on the database waiting (see README).
    TSettingsAccessor settings;
    settings.SetSettingsPath(where.File(kConfigFileName));
    TDMMain DMMain(
        [](const std::string& gbk) {
            QMessageBox::critical(nullptr, QStringLiteral("Varnholt"), vh::FromGbk(gbk), QMessageBox::Ok);
        },
        where.dataDir, settings.ReadFlag(vh::settings::keys::SharedDatabase));
    endSignals.Reclaim();
    // 2. The main window.
    TForm1 Form1;

    // 3-5. The long-lived dialogs exist before any start-up step can let a sample arrive (the start-up
    // dialogs run nested loops in which the timers fire).
    TAppAssembly assembly(Form1, where);
    assembly.CreateDialogs();

    Form1.FormCreate(assembly.StartupData());

    // A termination requested during start-up (exit at the login) must not reach the loop: quit() before
    // exec() would be forgotten and the program would run on.
    if (vh::ApplicationTerminated())
        return 0;
    Form1.ShowAtStart();
    assembly.StartBackups();
    // Once, when the loop runs: a desktop that hides other programs' windows records nothing.
    QTimer::singleShot(0, &Form1, [&Form1] { Form1.NoticeWindowSight(); });
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    // On Wayland our dialogs stay X11 clients through XWayland: there they keep their places and stay on
    // top, and the window backends know them for popups. An explicit choice of the user is kept.
    if (vh::platform::OwnWindowsPreferX11() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    TApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    app.setApplicationName(QStringLiteral("Varnholt"));
    // The desktop entry the package installs, so that a desktop shows our icon and name for the windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.varnholt.Varnholt"));
    vh::InstallQtTranslations(app);

    vh::platform::SingleInstance instance("Varnholt");
    if (instance.AlreadyExists()) {
        // Nothing else happens in a second copy: no window, no database, no settings.
        QMessageBox::information(nullptr, QStringLiteral("信息"), QStringLiteral("对不起，您只能运行一个岚舟记软件"),
                                 QMessageBox::Ok);
        instance.Release();
        return 0;
    }
    vh::skin::ApplySkin(app);
    vh::platform::TerminationSignals sessionSignals;
    const std::unique_ptr<QSocketNotifier> signalNotifier = EndWithTheSession(app, sessionSignals);

    const vh::platform::AppLocations where = vh::platform::ThisProcessLocations();
    ProvideUsersFiles(where);
    const int rc = RunProgram(app, where, sessionSignals);
    instance.Release();
    return rc;
}
