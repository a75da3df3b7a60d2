#pragma once
// The add dialog for catalogue entries. Mode 0: opened modally by "新增" of the management page. Mode 1:
// opened without blocking by the non-work notice; its "添加" also marks the entry as a work program and
// its "取消" brings the notice back. One instance lives as long as the program.
#include <QDialog>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TfrmDealUnwork;

class TfrmAddWorkProgram : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAddWorkProgram(QWidget* parent = nullptr);

    // The notice that mode 1's "取消" shows again (created once at start-up, see main.cpp).
    void SetDealUnwork(TfrmDealUnwork* notice) { notice_ = notice; }

    // GBK texts, in this order.
    void Prefill(const std::string& processName, const std::string& programName, const std::string& description);
    // 0 or 1; sets the heading too.
    void SetMode(int mode);
    int Mode() const { return mode_; }

    // Mode 0: modal, returns when closed.
    int ShowModal() { return exec(); }
    // Mode 1: shown and returns at once.
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

public slots:
    void btn32Click();
    void btn33Click();
    // Escape and every other way of closing without "添加" count as "取消".
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ChooseProcess(int index);
    TfrmDealUnwork* notice_ = nullptr;
    int mode_ = 0;
};
