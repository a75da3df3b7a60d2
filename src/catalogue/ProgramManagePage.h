#pragma once
// The management page RTSTabSheet6: lists, shows, changes, deletes and adds catalogue entries. Every
// change goes to the database when its button is pressed.
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;
class TfrmAddWorkProgram;

namespace vh {
class PageHost;
}

class TProgramManagePage : public QWidget {
    Q_OBJECT
public:
    explicit TProgramManagePage(vh::PageHost& host, QWidget* parent = nullptr);

    // The add dialog that "新增" opens (created once at start-up by the assembly).
    void SetAddDialog(TfrmAddWorkProgram* dialog) { addDialog_ = dialog; }

    // The page's opening: sLB3 from the catalogue; the fields keep their content.
    void FillPage();

    QListWidget* sLB3;
    QLineEdit* suiEdtProgramName;
    QLineEdit* suiEdtProcessNme;
    QLineEdit* suiEdtDes;
    QPushButton* btn32;
    QPushButton* btn34;
    QPushButton* btn35;
    QPushButton* btn33;

public slots:
    void sLB3Click();
    void sLB3DblClick() { btn34Click(); }
    void btn32Click();
    void btn34Click();
    void btn35Click();
    void btn33Click();

private:
    vh::PageHost& host_;
    TfrmAddWorkProgram* addDialog_ = nullptr;
};
