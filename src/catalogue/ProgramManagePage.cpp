#include "catalogue/ProgramManagePage.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueWrite.h"
#include "catalogue/uAddProgram.h"
#include "platform/Text.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

#include <exception>

namespace {

constexpr int kFieldsX = 244;
constexpr int kFieldsWidth = vh::skin::kPageWidth - vh::skin::kMargin - kFieldsX;

QLineEdit* AddField(QWidget* parent, const char* objectName, const QString& label, int y) {
    vh::skin::PageLabel(parent, label, kFieldsX, y);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setGeometry(kFieldsX, y + 22, kFieldsWidth, vh::skin::kRowHeight);
    return edit;
}

std::string Field(const QLineEdit* edit) {
    return vh::ToGbk(edit->text());
}

} // namespace

TProgramManagePage::TProgramManagePage(vh::PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(vh::PageName(vh::Page::ProgramManage));
    setFont(vh::skin::SongFont());
    using namespace vh::skin;
    resize(kPageWidth, kPageHeight);

    QLabel* heading = PageHeading(this, QStringLiteral("可选程序设定"));
    heading->setObjectName(QStringLiteral("lblProgramsCaption"));

    PageLabel(this, QStringLiteral("已有的可选程序(双击某项可直接删除)"), kMargin, kContentTop);
    sLB3 = new QListWidget(this);
    sLB3->setObjectName(QStringLiteral("sLB3"));
    sLB3->setGeometry(kMargin, kContentTop + 26, 210, 330);
    sLB3->setSelectionMode(QAbstractItemView::SingleSelection);

    PageLabel(this, QStringLiteral("可选程序具体：信息"), kFieldsX, kContentTop);
    suiEdtProgramName = AddField(this, "suiEdtProgramName", QStringLiteral("程序名称："), kContentTop + 26);
    suiEdtProcessNme = AddField(this, "suiEdtProcessNme", QStringLiteral("程序对应进程名："), kContentTop + 80);
    suiEdtProcessNme->setReadOnly(true);
    suiEdtDes = AddField(this, "suiEdtDes", QStringLiteral("程序对应的描述："), kContentTop + 134);
    HintLabel(this, QStringLiteral("可以直接在相应信息上修改，然后点击“修改”"), kFieldsX, kContentTop + 196);
    HintLabel(this, QStringLiteral("即可完成修改，程序对应进程名不允许更改"), kFieldsX, kContentTop + 216);

    const int w = (kFieldsWidth - 2 * 10) / 3;
    const int y = kContentTop + 254;
    using Page = TProgramManagePage;
    btn32 = PageButton(this, "btn32", QStringLiteral("新增"), QRect(kFieldsX, y, w, kButtonHeight), &Page::btn32Click);
    btn34 = PageButton(this, "btn34", QStringLiteral("删除"), QRect(kFieldsX + w + 10, y, w, kButtonHeight),
                       &Page::btn34Click);
    btn35 = PageButton(this, "btn35", QStringLiteral("修改"), QRect(kFieldsX + 2 * (w + 10), y, w, kButtonHeight),
                       &Page::btn35Click);
    btn33 = PageButton(this, "btn33", QStringLiteral("完成"), QRect(kPageWidth - kMargin - 88, 436, 88, kButtonHeight),
                       &Page::btn33Click);

    // Selection rather than clicks: a refill clears it, so the fields keep what they show.
    connect(sLB3, &QListWidget::itemSelectionChanged, this, &Page::sLB3Click);
    connect(sLB3, &QListWidget::itemDoubleClicked, this, &Page::sLB3DblClick);
}

void TProgramManagePage::FillPage() {
    const QSignalBlocker quiet(sLB3);
    sLB3->clear();
    for (const auto& name : vh::catalogue::LoadProgramNames(0))
        sLB3->addItem(vh::FromGbk(name));
}

void TProgramManagePage::sLB3Click() {
    const auto items = sLB3->selectedItems();
    if (items.isEmpty())
        return;
    const QString program = items.first()->text();
    const TProgramInfo info = vh::catalogue::LookUpProgram(vh::ToGbk(program));
    suiEdtProgramName->setText(program);
    suiEdtProcessNme->setText(vh::FromGbk(info.processName));
    suiEdtDes->setText(vh::FromGbk(info.description));
}

void TProgramManagePage::btn34Click() {
    if (sLB3->selectedItems().isEmpty()) {
        host_.ShowNotice(QStringLiteral("信息"), QStringLiteral("请选择要删除的待选工作程序"));
        return;
    }
    const std::string processName = Field(suiEdtProcessNme);
    if (vh::catalogue::RunCatalogueWrite(host_, [&] { return vh::catalogue::RemoveProgram(processName); }))
        FillPage();
}

void TProgramManagePage::btn35Click() {
    vh::catalogue::ChangeResult result;
    try {
        result = vh::catalogue::ChangeProgram(Field(suiEdtProcessNme), Field(suiEdtProgramName), Field(suiEdtDes));
    } catch (const std::exception& e) {
        vh::ShowApplicationError(e.what());
        return;
    }
    // A refused change leaves the fields as typed, so the user can correct them.
    if (result.kind != vh::catalogue::ChangeResult::Done) {
        const vh::catalogue::ChangeNotice notice = vh::catalogue::ChangeRefusalNotice(result);
        host_.ShowNotice(notice.caption, notice.text);
        return;
    }
    FillPage();
}

void TProgramManagePage::btn32Click() {
    if (addDialog_) {
        addDialog_->Prefill(std::string(), std::string(), std::string());
        addDialog_->SetMode(vh::catalogue::AddMode::Catalogue);
        addDialog_->ShowModal();
    }
    FillPage();
}

void TProgramManagePage::btn33Click() {
    host_.OpenPage(vh::Page::WorkSet);
}
