#pragma once
// Shared pieces of the statistics page tests: one QApplication, a page on a real database, samples.
#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QPieSeries>
#include <QPieSlice>
#include <QTableWidget>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "analysis/Shares.h"
#include "analysis/StatisticPage.h"
#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "support/FakePageHost.h"
#include "support/QtApp.h"
#include "support/TestDatabase.h"

namespace vh::test {

inline std::string Gbk(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

class StatisticPageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        db = std::make_unique<TestDatabase>();
        ASSERT_TRUE(db->errors.empty()) << db->errors.front();
        page = std::make_unique<TStatisticPage>(host, nullptr);
        page->resize(524, 436);
        page->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        page.reset();
        db.reset();
    }

    // time "yyyy-mm-dd hh:nn:ss"; caption and process in UTF-8.
    void Sample(const char* time, const char* caption, const char* process) {
        ASSERT_EQ(TDBFunc::InsertSample(time, Gbk(caption), Gbk(process), ""), TWriteResult::Done);
    }
    void SetRange(const char* from, const char* to) {
        const QDateTime f = QDateTime::fromString(QString::fromLatin1(from), "yyyy-MM-dd HH:mm:ss");
        const QDateTime t = QDateTime::fromString(QString::fromLatin1(to), "yyyy-MM-dd HH:mm:ss");
        page->dtp1->setDate(f.date());
        page->dtp2->setTime(f.time());
        page->dtp3->setDate(t.date());
        page->dtp4->setTime(t.time());
    }
    // Each row as (share, name); each slice as (label, name).
    std::vector<std::pair<QString, QString>> Rows() const {
        std::vector<std::pair<QString, QString>> rows;
        for (int r = 0; r < page->sLV1->rowCount(); ++r)
            rows.emplace_back(page->sLV1->item(r, 1)->text(), page->sLV1->item(r, 2)->text());
        return rows;
    }
    std::vector<std::pair<QString, QString>> Slices() const {
        std::vector<std::pair<QString, QString>> slices;
        for (QPieSlice* s : page->pieS1TimeUse->slices())
            slices.emplace_back(s->label(), TStatisticPage::SliceName(s));
        return slices;
    }
    long long StoredSamples() { return std::stoll(db->Sql().Scalar("select count(*) from timeinfo")); }

    FakePageHost host;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<TStatisticPage> page;
};

using Pairs = std::vector<std::pair<QString, QString>>;
inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace vh::test
