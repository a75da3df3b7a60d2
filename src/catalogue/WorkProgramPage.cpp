#include "catalogue/WorkProgramPage.h"

#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueWrite.h"
#include "monitor/NonWork.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

#include <exception>
#include <optional>

namespace {

QRadioButton* AddRadio(QWidget* parent, const char* objectName, const QString& caption, QPoint pos) {
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(QString::fromLatin1(objectName));
    r->move(pos);
    r->adjustSize();
    return r;
}

std::string SelectedText(const QListWidget* list) {
    const auto items = list->selectedItems();
    if (items.isEmpty())
        return {};
    return vh::ToGbk(items.first()->text());
}

bool HasSelection(const QListWidget* list) {
    return !list->selectedItems().isEmpty();
}

} // namespace

TWorkProgramPage::TWorkProgramPage(vh::PageHost& host, TSettingsAccessor& settings, QWidget* parent)
    : QWidget(parent), host_(host), settings_(settings) {
    setObjectName(vh::PageName(vh::Page::WorkSet));
    setFont(vh::skin::SongFont());
    using namespace vh::skin;
    resize(kPageWidth, kPageHeight);

    QLabel* heading = PageHeading(this, QStringLiteral("工作程序设定"));
    heading->setObjectName(QStringLiteral("lblWorkSetCaption"));
    HintLabel(this, QStringLiteral("设定时间分析时间段内允许使用的软件，未设定的均为“非工作程序”"), kMargin, 48);

    const int listWidth = 210;
    const int rightX = kPageWidth - kMargin - listWidth;
    PageLabel(this, QStringLiteral("可选程序(双击某项可直接设定为工作程序)"), kMargin, 74);
    sLB1 = new QListWidget(this);
    sLB1->setObjectName(QStringLiteral("sLB1"));
    sLB1->setGeometry(kMargin, 98, listWidth, 176);
    PageLabel(this, QStringLiteral("工作程序(双击某项可直接取消设定)"), rightX, 74);
    sLB2 = new QListWidget(this);
    sLB2->setObjectName(QStringLiteral("sLB2"));
    sLB2->setGeometry(rightX, 98, listWidth, 176);
    for (auto* list : {sLB1, sLB2})
        list->setSelectionMode(QAbstractItemView::SingleSelection);

    const int middleX = kMargin + listWidth + 14;
    const int middleWidth = rightX - 14 - middleX;
    using Page = TWorkProgramPage;
    btn27 = PageButton(this, "btn27", QStringLiteral("设定"), QRect(middleX, 150, middleWidth, kButtonHeight),
                       &Page::btn27Click);
    btn28 = PageButton(this, "btn28", QStringLiteral("取消"), QRect(middleX, 188, middleWidth, kButtonHeight),
                       &Page::btn28Click);

    PageLabel(this, QStringLiteral("若出现非“工作程序”，则"), kMargin, 288);
    suiRbtn5 = AddRadio(this, "suiRbtn5", QStringLiteral("仅提醒"), QPoint(kMargin + 16, 314));
    suiRbtn6 = AddRadio(this, "suiRbtn6", QStringLiteral("关闭"), QPoint(kMargin + 116, 314));
    suiRbtn7 = AddRadio(this, "suiRbtn7", QStringLiteral("提醒并关闭"), QPoint(kMargin + 206, 314));
    suiRbtn8 = AddRadio(this, "suiRbtn8", QStringLiteral("提醒并建议关闭"), QPoint(kMargin + 326, 314));
    reactionGroup_ = new QButtonGroup(this);
    reactionGroup_->setExclusive(true);
    int id = 0;
    for (auto* r : {suiRbtn5, suiRbtn6, suiRbtn7, suiRbtn8})
        reactionGroup_->addButton(r, id++);
    suiRbtn5->setChecked(true);

    btn36 = PageButton(this, "btn36", QStringLiteral("提醒内容设定"), QRect(kMargin + 16, 344, 110, kButtonHeight),
                       &Page::btn36Click);
    HintLabel(this, QStringLiteral("可选程序列表中没有我要的程序？"), kMargin, 386);
    HintLabel(this, QStringLiteral("请点击“可选程序管理”按钮"), kMargin, 406);
    btn31 = PageButton(this, "btn31", QStringLiteral("可选程序管理"), QRect(250, 392, 110, kButtonHeight),
                       &Page::btn31Click);
    btn29 = PageButton(this, "btn29", QStringLiteral("上一步"),
                       QRect(kPageWidth - kMargin - 2 * 88 - 10, 436, 88, kButtonHeight), &Page::btn29Click);
    btn30 = PageButton(this, "btn30", QStringLiteral("完成"), QRect(kPageWidth - kMargin - 88, 436, 88, kButtonHeight),
                       &Page::btn30Click);
    vh::skin::MakePrimary(btn30);

    connect(sLB1, &QListWidget::itemDoubleClicked, this, &Page::sLB1DblClick);
    connect(sLB2, &QListWidget::itemDoubleClicked, this, &Page::sLB2DblClick);
}

void TWorkProgramPage::FillList(QListWidget* list, std::int16_t lowestState) {
    list->clear();
    for (const auto& name : vh::catalogue::LoadProgramNames(lowestState))
        list->addItem(vh::FromGbk(name));
}

void TWorkProgramPage::FillPage() {
    FillList(sLB1, 0);
    FillList(sLB2, 1);
    ReadReactionMode();
}

int TWorkProgramPage::ReadReactionMode() {
    const int mode = vh::monitor::ReadReactionModeValue(settings_);
    CheckReactionRadio(mode);
    return mode;
}

void TWorkProgramPage::CheckReactionRadio(int mode) {
    if (auto* button = reactionGroup_->button(mode))
        button->setChecked(true);
}

int TWorkProgramPage::CheckedReactionMode() const {
    const int id = reactionGroup_->checkedId();
    return id < 0 ? 0 : id;
}

void TWorkProgramPage::sLB1DblClick() {
    if (!HasSelection(sLB1))
        return;
    std::vector<std::string> listedWork;
    for (int i = 0; i < sLB2->count(); ++i)
        listedWork.push_back(vh::ToGbk(sLB2->item(i)->text()));
    const std::string program = SelectedText(sLB1);
    bool written = false;
    if (vh::catalogue::RunCatalogueWrite(host_,
                                         [&] {
                                             const std::optional<TWriteResult> marked =
                                                 vh::monitor::MarkWorkProgram(program, listedWork);
                                             written = marked.has_value(); // listed already: nothing was written
                                             return marked;
                                         }) &&
        written)
        FillList(sLB2, 1);
}

void TWorkProgramPage::sLB2DblClick() {
    if (!HasSelection(sLB2))
        return;
    const std::string program = SelectedText(sLB2);
    if (vh::catalogue::RunCatalogueWrite(host_, [&] { return vh::monitor::UnmarkWorkProgram(program); }))
        FillList(sLB2, 1);
}

void TWorkProgramPage::btn36Click() {
    emit ReminderTextRequested();
}

void TWorkProgramPage::btn31Click() {
    host_.OpenPage(vh::Page::ProgramManage);
}

void TWorkProgramPage::btn29Click() {
    host_.ShowPage(vh::Page::MonitorSetting);
}

void TWorkProgramPage::btn30Click() {
    try {
        vh::monitor::WriteReactionMode(settings_, CheckedReactionMode());
    } catch (const std::exception& e) {
        vh::ShowApplicationError(e.what());
        return;
    }
    host_.ShowNotice(QStringLiteral("信息"), QStringLiteral("配置已经生效"));
    host_.ShowPage(vh::Page::MonitorSetting);
}
