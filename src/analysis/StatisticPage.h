#pragma once
// The statistics page RTSTSStatistic: shares of the stored samples in a date-time range, grouped by process
// name or by window caption, as a pie chart and a list.
#include <QColor>
#include <QRect>
#include <QWidget>
#include <string>
#include <vector>

#include "analysis/Shares.h"
#include "analysis/WorkShare.h"

class QBarSet;
class QChartView;
class QStackedBarSeries;
class QDateEdit;
class QLabel;
class QPieSeries;
class QPieSlice;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimeEdit;

namespace vh {
class PageHost;
}

class TStatisticPage : public QWidget {
    Q_OBJECT
public:
    TStatisticPage(vh::PageHost& host, QWidget* parent = nullptr);

    // Sets both bounds to the present moment; run whenever the page is opened.
    void ResetAnalysisRange();
    // The range from the pickers, "yyyy-mm-dd hh:nn:ss" each.
    vh::analysis::RangeBounds FormatRangeBounds() const;
    // Analyses the range and shows the outcome; a tally failure leaves it (as std::exception) with the
    // chart and the list unchanged.
    void AnalyseRange();
    // Rebuilds the pie and the list from parallel tally lists (decimal counts, GBK names).
    void FillTimeChart(const std::vector<std::string>& counts, const std::vector<std::string>& names);
    void FillTimeChart(const std::vector<vh::analysis::TimeShare>& shares);
    // Writes the list's rows from the listed shares.
    void FillShareList();
    void sLV1ColumnClick(int column);
    // The colour of a row's colour cell: the first slice whose name equals the row's name.
    QColor sLV1CustomDrawItem(int row) const;
    // Every other cell.
    QColor sLV1CustomDrawSubItem(int row, int column) const;

    // The group name a slice stands for (its label shows the share).
    static QString SliceName(const QPieSlice* slice);

    QDateEdit* dtp1;
    QTimeEdit* dtp2;
    QDateEdit* dtp3;
    QTimeEdit* dtp4;
    QRadioButton* suiRbtn4;
    QRadioButton* suiRbtn3;
    QPushButton* btn9;
    QPushButton* btn19;
    // Saves the shown analysis as CSV; enabled while an analysis is shown.
    QPushButton* btnExport;
    QChartView* cht1;
    QPieSeries* pieS1TimeUse;
    QTableWidget* sLV1;
    // The share of the samples that went to work programs, with its counts, beside the heading.
    QLabel* lblWorkShare;
    // The place of the share list shows it or the per-day view: work and other samples per day (or week,
    // or month), stacked.
    QPushButton* btnShowShares;
    QPushButton* btnShowDays;
    QChartView* chtDays;
    QStackedBarSeries* barsDays;

    // The shares shown now, in slice order, and the range they were counted over.
    const std::vector<vh::analysis::TimeShare>& ShownShares() const { return shareList_.Shown(); }
    // The work share shown now.
    const vh::analysis::WorkShare& ShownWorkShare() const { return workShare_; }
    // Writes the shown shares to path, with samples the range's samples to SamplesPath(path), with days the
    // per-day table to DaysPath(path); false when a file could not be written or the samples could not be
    // read.
    bool ExportTo(const QString& path, bool withSamples, bool withDays = false);
    static QString SamplesPath(const QString& sharesPath);
    static QString DaysPath(const QString& sharesPath);
    // Shows the per-day view in the place of the share list, or the list again.
    void ShowDays(bool days);

public slots:
    void btn9Click();
    void btn19Click();
    // Asks where to save, whether the samples go too, then exports.
    void btnExportClick();

private:
    void BuildRangeControls(int row1, int row2);
    void BuildActions(int row);
    void BuildChart(const QRect& geometry);
    void BuildShareList(const QRect& geometry);
    void BuildDaysView(const QRect& geometry);
    void FillWorkShare(const vh::analysis::WorkShare& share);

    vh::PageHost& host_;
    vh::analysis::ShareList shareList_;
    vh::analysis::WorkShare workShare_;
    std::vector<vh::analysis::WorkCount> dayBars_;
    vh::analysis::RangeBounds shownRange_;
};
