#pragma once
// The add dialog for catalogue entries. Catalogue mode: opened modally by "新增" of the management page.
// Work-program mode: opened without blocking by the non-work notice; its "添加" also marks the entry as a
// work program and its "取消" brings the notice back. One instance lives as long as the program.
#include <QDialog>
#include <string>

#include "catalogue/Catalogue.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmAddWorkProgram : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAddWorkProgram(QWidget* parent = nullptr);

    // GBK texts, in this order.
    void Prefill(const std::string& processName, const std::string& programName, const std::string& description);
    // Sets the heading too.
    void SetMode(vh::catalogue::AddMode mode);
    vh::catalogue::AddMode Mode() const { return mode_; }

    // Catalogue mode: modal, returns when closed.
    int ShowModal() { return exec(); }
    // Work-program mode: shown and returns at once.
    void ShowNonBlocking();
    // Refills the offered processes; the fields keep what they hold. Runs at every showing.
    void LoadProcessChoices();

    QLabel* lblHeading;
    // Why the last "添加" was refused; hidden until then and at every prefill.
    QLabel* lblStatus;
    QLineEdit* suiEdtProgramName;
    // The process-name field is the editable part of cbxProcess, whose list offers the sampled processes
    // and the programs on screen (see ProcessChoices.h).
    QLineEdit* suiEdtprocessname;
    QComboBox* cbxProcess;
    QLineEdit* suiEdtprocessDes;
    QPushButton* btn32;
    QPushButton* btn33;

signals:
    // Work-program mode closed without adding: the notice that opened it comes back.
    void WorkAddCancelled();

public slots:
    void btn32Click();
    void btn33Click();
    // Escape and every other way of closing without "添加" count as "取消".
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ChooseProcess(int index);
    vh::catalogue::AddMode mode_ = vh::catalogue::AddMode::Catalogue;
};
