#include "toolkit/ErrorDisplay.h"

#include <QMessageBox>

#include "toolkit/QtText.h"

namespace vh {

namespace {
ErrorSink sink = nullptr;
}

void SetErrorSink(ErrorSink s) {
    sink = s;
}

void ShowApplicationError(const std::string& gbk) {
    if (sink) {
        sink(gbk);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Varnholt"), FromGbk(gbk), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

} // namespace vh
