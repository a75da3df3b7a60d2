// The program entry: single instance, the long-lived objects in their order, the message loop.
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <exception>
#include <string>

#include "app/Assembly.h"
#include "app/Unit1.h"
#include "platform/SingleInstance.h"
#include "platform/Text.h"
#include "toolkit/AppTermination.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

#include "storage/uDBMoudle.h"

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
};

} // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    app.setApplicationName(QStringLiteral("Varnholt"));

    vh::platform::SingleInstance instance("Varnholt");
    if (instance.AlreadyExists()) {
        // Nothing else happens in a second copy: no window, no database, no settings.
        QMessageBox::information(nullptr, QStringLiteral("信息"), QStringLiteral("对不起，您只能运行一个岚舟记软件"),
                                 QMessageBox::Ok);
        instance.Release();
        return 0;
    }
    vh::skin::ApplySkin(app);
    // Logging off or shutting down ends the program like its own exit.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [](QSessionManager&) { vh::TerminateApplication(); });

    int rc = 0;
    {
        // 1. The database module; a failed opening is reported and start-up goes on.
        TDMMain DMMain([](const std::string& gbk) {
            QMessageBox::critical(nullptr, QStringLiteral("Varnholt"), vh::FromGbk(gbk), QMessageBox::Ok);
        });
        // 2. The main window.
        TForm1 Form1;

        // 3-5. The long-lived dialogs exist before any start-up step can let a sample arrive (the
        // start-up dialogs run nested loops in which the timers fire).
        TAppAssembly assembly(Form1);
        assembly.CreateDialogs();

        Form1.FormCreate();

        // A termination requested during start-up (exit at the login) must not reach the loop: quit()
        // before exec() would be forgotten and the program would run on.
        if (!vh::ApplicationTerminated()) {
            Form1.ShowAtStart();
            rc = app.exec();
        }
    }
    instance.Release();
    return rc;
}
