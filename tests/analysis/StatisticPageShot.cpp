// Renders the statistics page after an analysis of a few Chinese captions, for a person to look at.
#include <QChartView>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <cstdlib>

#include "PageSupport.h"

using namespace vh::test;

TEST_F(StatisticPageFixture, RendersChartAndListWithChineseCaptions) {
    const std::pair<const char*, int> groups[] = {
        {"项目计划.docx - 文字处理", 9}, {"网页浏览器 - 新闻", 5}, {"收件箱 - 邮件", 3}, {"终端", 2}, {"计算器", 1},
    };
    int minute = 0;
    for (const auto& [caption, n] : groups)
        for (int i = 0; i < n; ++i, ++minute) {
            const std::string t =
                "2024-03-02 10:" + std::string(minute < 10 ? "0" : "") + std::to_string(minute) + ":00";
            Sample(t.c_str(), caption, "app.exe");
        }
    SetRange("2024-03-02 00:00:00", "2024-03-02 23:59:59");
    page->suiRbtn3->click();
    page->btn9->click();
    ASSERT_EQ(page->sLV1->rowCount(), 5);
    QApplication::processEvents();

    const char* bin = std::getenv("VH_BINARY_DIR");
    const QString dir = QString::fromLocal8Bit(bin ? bin : ".") + "/artifacts";
    ASSERT_TRUE(QDir().mkpath(dir));
    const QImage image = page->grab().toImage();
    const QString file = dir + "/analysis_page.png";
    ASSERT_TRUE(image.save(file));
    EXPECT_EQ(image.width(), page->width());

    // The chart really drew the largest slice in its colour somewhere inside the pie.
    const QColor largest = page->pieS1TimeUse->slices().front()->color();
    const QRect chart = page->cht1->geometry();
    bool found = false;
    for (int y = chart.top(); y < chart.bottom() && !found; y += 3)
        for (int x = chart.left(); x < chart.right() && !found; x += 3)
            found = image.pixelColor(x, y) == largest;
    EXPECT_TRUE(found);
}
