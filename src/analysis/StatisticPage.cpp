#include "analysis/StatisticPage.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QCollator>
#include <QCursor>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QGraphicsLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QStackedBarSeries>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimeEdit>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "analysis/CsvExport.h"
#include "analysis/RangeAnalysis.h"
#include "analysis/WorkShare.h"
#include "platform/Text.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

namespace {

using vh::text::Utf8ToGbk;

constexpr const char* kSliceNameProperty = "vhGroupName";

// The system's decimal separator as one byte; anything that is not a single ASCII character falls back to ".".
char DecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

// The colour cells get exactly their slice's colour, the other cells white, at every paint: rows move when
// sorted, so the colour is looked up by name rather than stored in the row.
class ShareCellDelegate : public QStyledItemDelegate {
public:
    ShareCellDelegate(const TStatisticPage& page, QObject* parent) : QStyledItemDelegate(parent), page_(page) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.column() == 0) {
            painter->fillRect(option.rect, page_.sLV1CustomDrawItem(index.row()));
            return;
        }
        painter->fillRect(option.rect, page_.sLV1CustomDrawSubItem(index.row(), index.column()));
        QStyledItemDelegate::paint(painter, option, index);
    }

private:
    const TStatisticPage& page_;
};

// Dark text on light slices, white on dark ones.
QColor LabelColourOn(const QColor& slice) {
    const double luminance = 0.299 * slice.redF() + 0.587 * slice.greenF() + 0.114 * slice.blueF();
    return luminance > 0.6 ? vh::skin::kText : QColor(Qt::white);
}

// Slices this large carry their mark inside; smaller ones outside on a short arm, where marks of thin
// neighbours do not pile up on the slices.
constexpr double kInsideShare = 10.0;

// Where the range pickers and the main button begin.
constexpr int kPickerX = 92;

} // namespace

TStatisticPage::TStatisticPage(vh::PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    using namespace vh::skin;
    setObjectName(vh::PageName(vh::Page::Statistic));
    setMinimumSize(kPageWidth, 436);

    QLabel* heading = PageHeading(this, QString::fromUtf8("分析统计"));
    heading->setObjectName("lblStatisticCaption");

    // Two rows of range pickers, the grouping beside them, the actions under them; the chart and the list
    // at their sizes side by side fill the page's width below.
    const int row1 = kContentTop;
    const int row2 = row1 + kRowHeight + 6;
    const int row3 = row2 + kRowHeight + kRowGap;
    BuildRangeControls(row1, row2);
    BuildActions(row3);
    const int listTop = row3 + kButtonHeight + 12;
    BuildChart(QRect(6, listTop, 295, 301));
    BuildShareList(QRect(305, listTop, 249, 298));
    BuildDaysView(QRect(305, listTop, 249, 298));

    // In the heading's row, right of its text: the figure the catalogue of work programs exists for.
    lblWorkShare = new QLabel(this);
    lblWorkShare->setObjectName("lblWorkShare");
    lblWorkShare->setTextFormat(Qt::PlainText);
    lblWorkShare->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblWorkShare->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(kFrame.name()));
    lblWorkShare->setGeometry(kMargin + 120, kHeadingTop, kContentWidth - 120, kHeadingHeight - 2);
    lblWorkShare->setToolTip(QString::fromUtf8("选定时间内工作程序所占的记录次数比例"));
    lblWorkShare->raise();

    // Between the actions: which view stands in the list's place.
    btnShowShares = new QPushButton(QString::fromUtf8("比例"), this);
    btnShowDays = new QPushButton(QString::fromUtf8("按日"), this);
    btnShowShares->setObjectName("btnShowShares");
    btnShowDays->setObjectName("btnShowDays");
    // A group of their own: auto-exclusive buttons would join the grouping's radio buttons.
    auto* views = new QButtonGroup(this);
    for (QPushButton* b : {btnShowShares, btnShowDays}) {
        b->setCheckable(true);
        views->addButton(b);
        // The view shown is the pressed one.
        b->setStyleSheet(QStringLiteral("QPushButton:checked { background: %1; color: white; border-color: %1; }")
                             .arg(kFrame.name()));
    }
    btnShowShares->setChecked(true);
    btnShowShares->setToolTip(QString::fromUtf8("右侧显示各程序的时间比例"));
    btnShowDays->setToolTip(QString::fromUtf8("右侧显示每天工作与其他的记录次数"));
    btnShowShares->setGeometry(kPickerX + kButtonWidth + 96, row3, 56, kButtonHeight);
    btnShowDays->setGeometry(kPickerX + kButtonWidth + 154, row3, 56, kButtonHeight);
    connect(btnShowDays, &QPushButton::toggled, this, &TStatisticPage::ShowDays);
}

void TStatisticPage::BuildDaysView(const QRect& geometry) {
    barsDays = new QStackedBarSeries(this);
    barsDays->setObjectName("barsDays");
    barsDays->setBarWidth(0.8);
    auto* chart = new QChart;
    chart->addSeries(barsDays);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(vh::skin::SongFont(11));
    chart->setMargins(QMargins(0, 4, 0, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundPen(Qt::NoPen);
    auto* axisX = new QBarCategoryAxis(chart);
    auto* axisY = new QValueAxis(chart);
    // A month of days leaves no room for a label under each bar: the axis names the span, each bar tells
    // its own day when pointed at.
    axisX->setLabelsVisible(false);
    axisX->setGridLineVisible(false);
    chart->setTitleFont(vh::skin::SongFont(11));
    axisY->setLabelsFont(vh::skin::SongFont(10));
    axisY->setLabelFormat("%d");
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    barsDays->attachAxis(axisX);
    barsDays->attachAxis(axisY);
    chtDays = new QChartView(chart, this);
    chtDays->setObjectName("chtDays");
    chtDays->setRenderHint(QPainter::Antialiasing);
    chtDays->setFrameShape(QFrame::NoFrame);
    chtDays->setStyleSheet(
        QStringLiteral("QChartView { border: 1px solid %1; background: white; }").arg(vh::skin::kRule.name()));
    chtDays->setGeometry(geometry);
    chtDays->hide();
    connect(barsDays, &QStackedBarSeries::hovered, this, [this](bool on, int index, QBarSet*) {
        if (!on || index < 0 || index >= static_cast<int>(dayBars_.size())) {
            QToolTip::hideText();
            return;
        }
        const vh::analysis::WorkCount& bar = dayBars_[static_cast<std::size_t>(index)];
        QToolTip::showText(
            QCursor::pos(),
            QString::fromUtf8("%1：工作 %2 次，其他 %3 次").arg(vh::FromGbk(bar.label)).arg(bar.work).arg(bar.other));
    });
}

void TStatisticPage::ShowDays(bool days) {
    sLV1->setVisible(!days);
    chtDays->setVisible(days);
}

namespace {
// At most this many bars fit the list's place readably; longer ranges are shown by week or month.
constexpr std::size_t kMaxBars = 31;
} // namespace

void TStatisticPage::FillWorkShare(const vh::analysis::WorkShare& share) {
    workShare_ = share;
    const vh::analysis::WorkCount total = share.Total();
    lblWorkShare->setText(total.work + total.other == 0
                              ? QString()
                              : QString::fromUtf8("工作占比 %1（工作 %2 次，共 %3 次）")
                                    .arg(vh::FromGbk(vh::analysis::FormatShare(total.Percent(), DecimalSeparator())))
                                    .arg(total.work)
                                    .arg(total.work + total.other));
    dayBars_ = vh::analysis::WorkBars(share.days, kMaxBars);
    barsDays->clear();
    auto* work = new QBarSet(QString::fromUtf8("工作"));
    auto* other = new QBarSet(QString::fromUtf8("其他"));
    work->setColor(QColor::fromRgb(0x59A14F));
    other->setColor(QColor::fromRgb(0xBAB0AC));
    for (QBarSet* set : {work, other})
        set->setBorderColor(Qt::white);
    QStringList labels;
    std::int64_t highest = 0;
    for (const vh::analysis::WorkCount& bar : dayBars_) {
        *work << static_cast<qreal>(bar.work);
        *other << static_cast<qreal>(bar.other);
        highest = std::max(highest, bar.work + bar.other);
        labels << vh::FromGbk(bar.label);
    }
    barsDays->append(work);
    barsDays->append(other);
    auto* axisX = static_cast<QBarCategoryAxis*>(chtDays->chart()->axes(Qt::Horizontal).front());
    axisX->setCategories(labels);
    const QString unit = dayBars_.size() == share.days.size()                     ? QString::fromUtf8("按日")
                         : dayBars_.empty() || dayBars_.front().label.size() == 7 ? QString::fromUtf8("按月")
                                                                                  : QString::fromUtf8("按周");
    chtDays->chart()->setTitle(share.days.empty() ? QString()
                                                  : QString::fromUtf8("%1 至 %2（%3）")
                                                        .arg(vh::FromGbk(share.days.front().label.substr(5)),
                                                             vh::FromGbk(share.days.back().label.substr(5)), unit));
    auto* axisY = static_cast<QValueAxis*>(chtDays->chart()->axes(Qt::Vertical).front());
    axisY->setRange(0, static_cast<qreal>(std::max<std::int64_t>(highest, 1)));
    axisY->applyNiceNumbers();
}

void TStatisticPage::BuildRangeControls(int row1, int row2) {
    using namespace vh::skin;
    PageLabel(this, QString::fromUtf8("开始时间："), kMargin, row1);
    PageLabel(this, QString::fromUtf8("结束时间："), kMargin, row2);
    dtp1 = new QDateEdit(this);
    dtp2 = new QTimeEdit(this);
    dtp3 = new QDateEdit(this);
    dtp4 = new QTimeEdit(this);
    dtp1->setObjectName("dtp1");
    dtp2->setObjectName("dtp2");
    dtp3->setObjectName("dtp3");
    dtp4->setObjectName("dtp4");
    for (QDateEdit* d : {dtp1, dtp3}) {
        d->setDisplayFormat("yyyy-MM-dd");
        d->setCalendarPopup(true);
    }
    for (QTimeEdit* t : {dtp2, dtp4})
        t->setDisplayFormat("HH:mm:ss");
    dtp1->setGeometry(kPickerX, row1, 116, kRowHeight);
    dtp2->setGeometry(kPickerX + 122, row1, 90, kRowHeight);
    dtp3->setGeometry(kPickerX, row2, 116, kRowHeight);
    dtp4->setGeometry(kPickerX + 122, row2, 90, kRowHeight);

    const int groupX = 340;
    PageLabel(this, QString::fromUtf8("分析根据："), groupX, row1);
    suiRbtn4 = new QRadioButton(QString::fromUtf8("工作内部进程名"), this);
    suiRbtn3 = new QRadioButton(QString::fromUtf8("工作名称"), this);
    suiRbtn4->setObjectName("suiRbtn4");
    suiRbtn3->setObjectName("suiRbtn3");
    suiRbtn4->setGeometry(groupX + 66, row1, kPageWidth - kMargin - groupX - 66, kRowHeight);
    suiRbtn3->setGeometry(groupX + 66, row2, kPageWidth - kMargin - groupX - 66, kRowHeight);
    suiRbtn4->setChecked(true);
}

void TStatisticPage::BuildActions(int row) {
    using namespace vh::skin;
    btn9 = new QPushButton(QString::fromUtf8("开始分析"), this);
    btn19 = new QPushButton(QString::fromUtf8("清空所有记录"), this);
    btnExport = new QPushButton(QString::fromUtf8("导出"), this);
    btn9->setObjectName("btn9");
    btn19->setObjectName("btn19");
    btnExport->setObjectName("btnExport");
    btn9->setGeometry(kPickerX, row, kButtonWidth, kButtonHeight);
    btnExport->setGeometry(kPickerX + kButtonWidth + 8, row, 80, kButtonHeight);
    btn19->setGeometry(kPageWidth - kMargin - 110, row, 110, kButtonHeight);
    btn9->setDefault(true);
    btnExport->setToolTip(QString::fromUtf8("把显示的分析结果保存为 CSV 文件，可选同时保存该时间段内的全部记录"));
    btnExport->setEnabled(false);
    vh::skin::MakePrimary(btn9);
    connect(btn9, &QPushButton::clicked, this, &TStatisticPage::btn9Click);
    connect(btn19, &QPushButton::clicked, this, &TStatisticPage::btn19Click);
    connect(btnExport, &QPushButton::clicked, this, &TStatisticPage::btnExportClick);
}

void TStatisticPage::BuildChart(const QRect& geometry) {
    pieS1TimeUse = new QPieSeries(this);
    pieS1TimeUse->setObjectName("pieS1TimeUse");
    pieS1TimeUse->setPieSize(0.58);
    pieS1TimeUse->setVerticalPosition(0.54);
    auto* chart = new QChart;
    chart->addSeries(pieS1TimeUse);
    chart->legend()->hide();
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundPen(Qt::NoPen);
    cht1 = new QChartView(chart, this);
    cht1->setObjectName("cht1");
    cht1->setRenderHint(QPainter::Antialiasing);
    cht1->setFrameShape(QFrame::NoFrame);
    cht1->setStyleSheet(
        QStringLiteral("QChartView { border: 1px solid %1; background: white; }").arg(vh::skin::kRule.name()));
    cht1->setGeometry(geometry);
}

void TStatisticPage::BuildShareList(const QRect& geometry) {
    sLV1 = new QTableWidget(0, 3, this);
    sLV1->setObjectName("sLV1");
    sLV1->setHorizontalHeaderLabels(
        {QString::fromUtf8("颜色"), QString::fromUtf8("时间比例"), QString::fromUtf8("名称")});
    sLV1->setColumnWidth(0, 50);
    sLV1->setColumnWidth(1, 60);
    sLV1->setColumnWidth(2, 440);
    // Captions at the left of their columns: the name column is wider than the list, a centred caption
    // would sit out of view.
    sLV1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    sLV1->setShowGrid(true);
    sLV1->setGridStyle(Qt::SolidLine);
    sLV1->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: #e1e8f2; }"));
    sLV1->setSortingEnabled(false);
    sLV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sLV1->setSelectionBehavior(QAbstractItemView::SelectRows);
    sLV1->setSelectionMode(QAbstractItemView::SingleSelection);
    sLV1->setWordWrap(false);
    sLV1->setTextElideMode(Qt::ElideNone);
    sLV1->verticalHeader()->hide();
    sLV1->verticalHeader()->setDefaultSectionSize(22);
    sLV1->horizontalHeader()->setHighlightSections(false);
    sLV1->horizontalHeader()->setSectionsClickable(true);
    sLV1->setItemDelegate(new ShareCellDelegate(*this, sLV1));
    sLV1->setGeometry(geometry);
    connect(sLV1->horizontalHeader(), &QHeaderView::sectionClicked, this, &TStatisticPage::sLV1ColumnClick);
}

void TStatisticPage::ResetAnalysisRange() {
    const vh::DateTime now = vh::Now();
    const QDate date(now.year, now.month, now.day);
    const QTime time(now.hour, now.minute, now.second);
    dtp1->setDate(date);
    dtp2->setTime(time);
    dtp3->setDate(date);
    dtp4->setTime(time);
}

namespace {
vh::DateTime FromPickers(const QDateEdit* d, const QTimeEdit* t) {
    vh::DateTime date, time;
    const QDate qd = d->date();
    date.year = qd.year();
    date.month = qd.month();
    date.day = qd.day();
    const QTime qt = t->time();
    time.hour = qt.hour();
    time.minute = qt.minute();
    time.second = qt.second();
    return vh::analysis::CombineDateTime(date, time);
}
} // namespace

vh::analysis::RangeBounds TStatisticPage::FormatRangeBounds() const {
    return vh::analysis::FormatRangeBounds(FromPickers(dtp1, dtp2), FromPickers(dtp3, dtp4));
}

void TStatisticPage::AnalyseRange() {
    using namespace vh::analysis;
    const RangeBounds bounds = FormatRangeBounds();
    const Grouping grouping = suiRbtn3->isChecked() ? Grouping::ByCaption : Grouping::ByProcess;
    const RangeAnalysis result = vh::analysis::AnalyseRange(bounds, grouping, DecimalSeparator());
    switch (result.outcome) {
    case AnalysisOutcome::QueryFailed:
        return;
    case AnalysisOutcome::NoData:
        host_.ShowNotice(Utf8ToGbk("信息"), Utf8ToGbk("选定时间内没有监视数据"));
        FillTimeChart({});
        FillWorkShare({});
        return;
    case AnalysisOutcome::Shares:
        FillTimeChart(result.shares);
        // The same range's samples, day by day; a failed read leaves the figure empty, not wrong.
        FillWorkShare(vh::analysis::AnalyseWorkShare(bounds).share);
        shownRange_ = bounds;
        return;
    }
}

void TStatisticPage::btn9Click() {
    // What escapes the analysis ends the click and goes to the application's error display.
    vh::RunGuarded([this] { AnalyseRange(); });
}

void TStatisticPage::btn19Click() {
    if (!host_.ShowNotice(Utf8ToGbk("信息"),
                          Utf8ToGbk("您确认要清除所有的数据么?清除前会先在backup文件夹中保存一份数据库的副本。")))
        return;
    // The chart and the list keep the last analysis either way; a failure is said, not hidden.
    vh::RunGuarded([this] {
        const vh::analysis::ClearOutcome cleared = vh::analysis::ClearAllSamples();
        if (cleared.kind == vh::analysis::ClearOutcome::BackupFailed)
            host_.ShowNotice(Utf8ToGbk("错误"), Utf8ToGbk("无法保存数据库的副本，记录没有删除：") + cleared.reason);
        else if (cleared.kind == vh::analysis::ClearOutcome::Refused)
            host_.ShowNotice(Utf8ToGbk("错误"), Utf8ToGbk("数据库拒绝了此次清除，记录没有删除。"));
    });
}

void TStatisticPage::FillTimeChart(const std::vector<std::string>& counts, const std::vector<std::string>& names) {
    FillTimeChart(vh::analysis::BuildTimeShares(counts, names, DecimalSeparator()));
}

void TStatisticPage::FillTimeChart(const std::vector<vh::analysis::TimeShare>& shares) {
    pieS1TimeUse->clear();
    sLV1->setRowCount(0);
    shareList_.Show(shares);
    btnExport->setEnabled(!shares.empty());
    const std::vector<std::uint32_t> colours = vh::analysis::SliceColours(shares.size());
    QList<QPieSlice*> slices;
    slices.reserve(static_cast<qsizetype>(shares.size()));
    int outside = 0;
    for (std::size_t i = 0; i < shares.size(); ++i) {
        auto* slice = new QPieSlice(vh::FromGbk(shares[i].text), std::fabs(static_cast<double>(shares[i].count)));
        slice->setProperty(kSliceNameProperty, vh::FromGbk(shares[i].name));
        // Explicit values are kept when the slice joins the series; only unset ones take the chart theme's.
        slice->setColor(QColor::fromRgb(colours[i]));
        slice->setBorderColor(Qt::white);
        slice->setBorderWidth(1);
        slice->setLabelVisible(true);
        QFont markFont = vh::skin::SongFont(11);
        markFont.setBold(true);
        slice->setLabelFont(markFont);
        if (shares[i].share >= kInsideShare && shares.size() > 1) {
            slice->setLabelPosition(QPieSlice::LabelInsideHorizontal);
            slice->setLabelColor(LabelColourOn(slice->color()));
            outside = 0;
        } else {
            // Thin neighbours' marks at staggered distances, so that they do not cover each other.
            slice->setLabelPosition(QPieSlice::LabelOutside);
            slice->setLabelColor(vh::skin::kText);
            slice->setLabelArmLengthFactor(0.07 + 0.2 * (outside++ % 3));
        }
        slices.append(slice);
    }
    pieS1TimeUse->append(slices);
    FillShareList();
}

namespace {
bool WriteBytes(const QString& path, const std::string& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return file.commit();
}
} // namespace

namespace {
QString SiblingPath(const QString& sharesPath, const QString& suffix) {
    QString base = sharesPath;
    if (base.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        base.chop(4);
    return base + suffix;
}
} // namespace

QString TStatisticPage::SamplesPath(const QString& sharesPath) {
    return SiblingPath(sharesPath, QStringLiteral("_记录.csv"));
}

QString TStatisticPage::DaysPath(const QString& sharesPath) {
    return SiblingPath(sharesPath, QStringLiteral("_按日.csv"));
}

bool TStatisticPage::ExportTo(const QString& path, bool withSamples, bool withDays) {
    if (!WriteBytes(path, vh::analysis::SharesCsv(shareList_.Shown())))
        return false;
    if (withDays && !WriteBytes(DaysPath(path), vh::analysis::DaysCsv(workShare_)))
        return false;
    if (!withSamples)
        return true;
    // The range the analysis ran on.
    std::vector<vh::analysis::ExportSample> samples;
    if (!vh::analysis::ReadRangeSamples(shownRange_, samples))
        return false;
    return WriteBytes(SamplesPath(path), vh::analysis::SamplesCsv(samples));
}

void TStatisticPage::btnExportClick() {
    if (shareList_.Shown().empty())
        return;
    const QString suggested = QDir::home().filePath(
        QStringLiteral("时间分析_%1.csv")
            .arg(QString::fromStdString(shownRange_.from.substr(0, 10)).remove(QLatin1Char('-'))));
    const QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8("导出分析结果"), suggested,
                                                      QString::fromUtf8("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    const bool withSamples = host_.ShowNotice(Utf8ToGbk("信息"), Utf8ToGbk("同时导出该时间段内的全部记录吗？"));
    const bool withDays = host_.ShowNotice(Utf8ToGbk("信息"), Utf8ToGbk("同时导出按日统计的工作比例吗？"));
    if (!ExportTo(path, withSamples, withDays))
        host_.ShowNotice(Utf8ToGbk("错误"), Utf8ToGbk("导出失败，请检查文件能否写入。"));
}

QString TStatisticPage::SliceName(const QPieSlice* slice) {
    return slice->property(kSliceNameProperty).toString();
}

void TStatisticPage::FillShareList() {
    const std::vector<vh::analysis::TimeShare>& listed = shareList_.Listed();
    sLV1->setRowCount(static_cast<int>(listed.size()));
    for (int i = 0; i < static_cast<int>(listed.size()); ++i) {
        const vh::analysis::TimeShare& share = listed[static_cast<std::size_t>(i)];
        sLV1->setItem(i, 0, new QTableWidgetItem(QString()));
        sLV1->setItem(i, 1, new QTableWidgetItem(vh::FromGbk(share.text)));
        sLV1->setItem(i, 2, new QTableWidgetItem(vh::FromGbk(share.name)));
    }
}

QColor TStatisticPage::sLV1CustomDrawItem(int row) const {
    const int slice = row < 0 ? -1 : shareList_.SliceOf(static_cast<std::size_t>(row));
    const QList<QPieSlice*> slices = pieS1TimeUse->slices();
    if (slice < 0 || slice >= slices.size())
        return Qt::white;
    return slices[slice]->color();
}

QColor TStatisticPage::sLV1CustomDrawSubItem(int, int) const {
    return Qt::white;
}

void TStatisticPage::sLV1ColumnClick(int column) {
    using namespace vh::analysis;
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const TextCompare byLocale = [&collator](const std::string& a, const std::string& b) {
        return collator.compare(vh::FromGbk(a), vh::FromGbk(b));
    };
    shareList_.SortByColumn(column, byLocale, DecimalSeparator());
    const bool ascending = shareList_.SortAscending();
    FillShareList();
    sLV1->horizontalHeader()->setSortIndicatorShown(true);
    sLV1->horizontalHeader()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}
