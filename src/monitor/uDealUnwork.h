#pragma once
// The non-work notice: a small always-on-top window that tells the user a non-work program is in front
// and offers to kill it or to declare it a work program. One instance lives as long as the program;
// closing it only hides it.
#include <QWidget>
#include <cstdint>
#include <string>

#include "platform/Clock.h"

class QLabel;
class QPushButton;

class TfrmDealUnwork : public QWidget {
    Q_OBJECT
public:
    // No parent in the program: the notice is a top-level window of its own.
    explicit TfrmDealUnwork(QWidget* parent = nullptr);

    // Fills the notice and shows it without waiting; an open notice is refilled in place. Texts are GBK.
    // sampledAt: the moment of the sample that named the process.
    void ShowUnworkNotice(const std::string& title, const std::string& message, int layout,
                          const std::string& processName, const std::string& programName, std::uint32_t pid,
                          const vh::DateTime& sampledAt);
    // Shows the notice again with the content of its last showing.
    void ShowAgain();

    // The details of the last showing; the buttons act on these.
    const std::string& ProcessName() const { return processName_; }
    const std::string& ProgramName() const { return programName_; }
    std::uint32_t ProcessId() const { return processId_; }
    const vh::DateTime& SampledAt() const { return sampledAt_; }
    // The message as shown, GBK, line breaks LF CR.
    const std::string& MessageText() const { return message_; }

    QLabel* lblTitle;
    QLabel* lblMessage;
    QPushButton* btnKnow;
    QPushButton* btnCloseProgram;
    QPushButton* btnAddWork;

signals:
    // "添加到工作程序": the process and program of the last showing (GBK), before the notice closes.
    void AddWorkRequested(const std::string& processName, const std::string& programName);

public slots:
    void btnKnowClick();
    void btnCloseProgramClick();
    void btnAddWorkClick();

private:
    void ApplyLayout(int layout);

    std::string processName_;
    std::string programName_;
    std::uint32_t processId_ = 0;
    vh::DateTime sampledAt_{};
    std::string message_;
};
