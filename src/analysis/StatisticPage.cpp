#include "analysis/StatisticPage.h"

#include <QChart>
#include <QChartView>
#include <QCollator>
#include <QDateEdit>
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
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimeEdit>
#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"

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

QLabel* MakeLabel(const char* utf8, QWidget* parent, int x, int y, int w, int h) {
    auto* l = new QLabel(QString::fromUtf8(utf8), parent);
    l->setGeometry(x, y, w, h);
    return l;
}

} // namespace

TStatisticPage::TStatisticPage(vh::PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName("RTSTSStatistic");
    setMinimumSize(524, 436);

    auto* heading = MakeLabel("分析统计", this, 0, 0, 524, 28);
    QFont hf = heading->font();
    hf.setBold(true);
    hf.setPointSize(hf.pointSize() + 3);
    heading->setFont(hf);

    MakeLabel("开始时间：", this, 0, 36, 72, 24);
    MakeLabel("结束时间：", this, 0, 66, 72, 24);
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
    dtp1->setGeometry(74, 36, 110, 24);
    dtp2->setGeometry(188, 36, 90, 24);
    dtp3->setGeometry(74, 66, 110, 24);
    dtp4->setGeometry(188, 66, 90, 24);

    MakeLabel("分析根据：", this, 300, 36, 72, 24);
    suiRbtn4 = new QRadioButton(QString::fromUtf8("工作内部进程名"), this);
    suiRbtn3 = new QRadioButton(QString::fromUtf8("工作名称"), this);
    suiRbtn4->setObjectName("suiRbtn4");
    suiRbtn3->setObjectName("suiRbtn3");
    suiRbtn4->setGeometry(354, 36, 170, 24);
    suiRbtn3->setGeometry(354, 66, 170, 24);
    suiRbtn4->setChecked(true);

    btn9 = new QPushButton(QString::fromUtf8("开始分析"), this);
    btn19 = new QPushButton(QString::fromUtf8("清空所有记录"), this);
    btn9->setObjectName("btn9");
    btn19->setObjectName("btn19");
    btn9->setGeometry(74, 98, 100, 26);
    btn19->setGeometry(188, 98, 110, 26);
    connect(btn9, &QPushButton::clicked, this, &TStatisticPage::btn9Click);
    connect(btn19, &QPushButton::clicked, this, &TStatisticPage::btn19Click);

    pieS1TimeUse = new QPieSeries(this);
    pieS1TimeUse->setObjectName("pieS1TimeUse");
    pieS1TimeUse->setPieSize(0.62);
    auto* chart = new QChart;
    chart->addSeries(pieS1TimeUse);
    chart->legend()->hide();
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    chart->setBackgroundBrush(Qt::white);
    cht1 = new QChartView(chart, this);
    cht1->setObjectName("cht1");
    cht1->setRenderHint(QPainter::Antialiasing);
    cht1->setFrameShape(QFrame::StyledPanel);
    // The page area is 524 wide: the chart gives up what the list needs at its full width.
    cht1->setGeometry(0, 132, 271, 301);

    sLV1 = new QTableWidget(0, 3, this);
    sLV1->setObjectName("sLV1");
    sLV1->setHorizontalHeaderLabels(
        {QString::fromUtf8("颜色"), QString::fromUtf8("时间比例"), QString::fromUtf8("名称")});
    sLV1->setColumnWidth(0, 50);
    sLV1->setColumnWidth(1, 60);
    sLV1->setColumnWidth(2, 440);
    sLV1->setShowGrid(true);
    sLV1->setSortingEnabled(false);
    sLV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sLV1->setSelectionBehavior(QAbstractItemView::SelectRows);
    sLV1->setSelectionMode(QAbstractItemView::SingleSelection);
    sLV1->setWordWrap(false);
    sLV1->verticalHeader()->hide();
    sLV1->verticalHeader()->setDefaultSectionSize(20);
    sLV1->horizontalHeader()->setHighlightSections(false);
    sLV1->horizontalHeader()->setSectionsClickable(true);
    sLV1->setItemDelegate(new ShareCellDelegate(*this, sLV1));
    sLV1->setGeometry(275, 132, 249, 298);
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
    const vh::analysis::RangeBounds bounds = FormatRangeBounds();
    const bool byCaption = suiRbtn3->isChecked();
    TStringList counts, names;
    std::string from = bounds.from;
    TDBFunc::QuerySamples(from, bounds.to);
    if (from == "-2")
        return;
    if (from == "-1") {
        host_.ShowNotice(Utf8ToGbk("信息"), Utf8ToGbk("选定时间内没有监视数据"));
        FillTimeChart(counts, names);
        return;
    }
    if (byCaption)
        TDBFunc::CountByTitle(counts, names);
    else
        TDBFunc::CountByProcess(counts, names);
    FillTimeChart(counts, names);
}

void TStatisticPage::btn9Click() {
    // What escapes the analysis ends the click and goes to the application's error display.
    vh::RunGuarded([this] { AnalyseRange(); });
}

void TStatisticPage::btn19Click() {
    if (host_.ShowNotice(Utf8ToGbk("信息"), Utf8ToGbk("您确认要清除所有的数据么?")))
        TDBFunc::DeleteAllSamples();
}

void TStatisticPage::FillTimeChart(const std::vector<std::string>& counts, const std::vector<std::string>& names) {
    pieS1TimeUse->clear();
    sLV1->setRowCount(0);
    const std::vector<vh::analysis::TimeShare> shares = vh::analysis::BuildTimeShares(counts, names);
    const std::vector<std::uint32_t> colours = vh::analysis::SliceColours(shares.size());
    const char separator = DecimalSeparator();
    QList<QPieSlice*> slices;
    slices.reserve(static_cast<qsizetype>(shares.size()));
    for (std::size_t i = 0; i < shares.size(); ++i) {
        auto* slice = new QPieSlice(vh::FromGbk(vh::analysis::FormatShare(shares[i].share, separator)),
                                    std::fabs(static_cast<double>(shares[i].count)));
        slice->setProperty(kSliceNameProperty, vh::FromGbk(shares[i].name));
        // Explicit values are kept when the slice joins the series; only unset ones take the chart theme's.
        slice->setColor(QColor::fromRgb(colours[i]));
        slice->setBorderColor(Qt::white);
        slice->setBorderWidth(1);
        slice->setLabelVisible(true);
        slice->setLabelColor(Qt::black);
        slice->setLabelArmLengthFactor(0.12);
        slices.append(slice);
    }
    pieS1TimeUse->append(slices);
    FillShareList();
}

QString TStatisticPage::SliceName(const QPieSlice* slice) {
    return slice->property(kSliceNameProperty).toString();
}

void TStatisticPage::FillShareList() {
    const QList<QPieSlice*> slices = pieS1TimeUse->slices();
    double sum = 0;
    for (const QPieSlice* s : slices)
        sum += std::fabs(s->value());
    const char separator = DecimalSeparator();
    sLV1->setRowCount(static_cast<int>(slices.size()));
    for (int i = 0; i < slices.size(); ++i) {
        const QPieSlice* s = slices[i];
        const std::string share =
            vh::analysis::FormatShare(vh::analysis::SharePercent(std::fabs(s->value()), sum), separator);
        sLV1->setItem(i, 0, new QTableWidgetItem(QString()));
        sLV1->setItem(i, 1, new QTableWidgetItem(vh::FromGbk(share)));
        sLV1->setItem(i, 2, new QTableWidgetItem(SliceName(s)));
    }
}

QColor TStatisticPage::sLV1CustomDrawItem(int row) const {
    const QTableWidgetItem* nameItem = sLV1->item(row, 2);
    const QString name = nameItem ? nameItem->text() : QString();
    for (QPieSlice* s : pieS1TimeUse->slices())
        if (SliceName(s) == name)
            return s->color();
    return Qt::white;
}

QColor TStatisticPage::sLV1CustomDrawSubItem(int, int) const {
    return Qt::white;
}

void TStatisticPage::sLV1ColumnClick(int column) {
    using namespace vh::analysis;
    SortAscending = !SortAscending;
    const CompareKind kind = column == 1 ? CompareKind::Numeric : CompareKind::Text;

    std::vector<ShareRow> rows(static_cast<std::size_t>(sLV1->rowCount()));
    for (int r = 0; r < sLV1->rowCount(); ++r)
        for (int c = 0; c < sLV1->columnCount(); ++c) {
            const QTableWidgetItem* item = sLV1->item(r, c);
            rows[static_cast<std::size_t>(r)].push_back(item ? vh::ToGbk(item->text()) : std::string());
        }

    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const TextCompare byLocale = [&collator](const std::string& a, const std::string& b) {
        return collator.compare(vh::FromGbk(a), vh::FromGbk(b));
    };
    const char separator = DecimalSeparator();
    const bool ascending = SortAscending;
    std::stable_sort(rows.begin(), rows.end(), [&](const ShareRow& a, const ShareRow& b) {
        return CompareShareRows(a, b, column, kind, ascending, byLocale, separator) < 0;
    });

    for (int r = 0; r < sLV1->rowCount(); ++r)
        for (int c = 0; c < sLV1->columnCount(); ++c)
            sLV1->setItem(r, c, new QTableWidgetItem(vh::FromGbk(rows[static_cast<std::size_t>(r)][c])));
    sLV1->horizontalHeader()->setSortIndicatorShown(true);
    sLV1->horizontalHeader()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}
