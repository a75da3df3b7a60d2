#pragma once
// Answers the next modal dialog from inside its nested loop: polls for the active modal widget and hands
// it to the callback once. Gives up after timeoutMs so a test never hangs on a dialog that never came. An
// answerer that may still be polling when its callback's captures are gone ends with owner instead of qApp.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace vh::test {

inline void AnswerNextModal(std::function<void(QWidget*)> answer, int timeoutMs = 5000, QObject* owner = qApp) {
    auto* poll = new QTimer(owner);
    auto left = std::make_shared<int>(timeoutMs / 20);
    QObject::connect(poll, &QTimer::timeout, [poll, left, answer] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(w);
        } else if (--*left <= 0) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(20);
}

} // namespace vh::test
