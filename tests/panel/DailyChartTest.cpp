#include "panel/DailyChart.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>

#include "panel/StatsTab.h"
#include "progression/CalendarDays.h"
#include "support/StoreFixture.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

std::int64_t day(const char* text) {
    return calendar::parseDay(text).value();
}

void hover(QWidget* widget, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

class DailyChartTest : public ::testing::Test {
  protected:
    QApplication& app = test::application();
    test::ThemeScope theme{AppTheme::classic};
    test::TestStore store;  // the clock stands on 2026-03-05
    QWidget panel;
    StatsTabView* tab = nullptr;

    void open() {
        panel.resize(340, 398);
        tab = new StatsTabView(&panel);
        tab->configure(*store.stats);
    }
};

TEST_F(DailyChartTest, BarsFollowTheStoredDaysAcrossTheMonthWithTodayInTheAccent) {
    store.seed([](Preferences& p) {
        p.setInteger(keys::daily("2026-02-27", "keys"), 1000);  // the busiest day: full height
        p.setInteger(keys::daily("2026-03-01", "keys"), 500);
        p.setInteger(keys::daily("2026-03-05", "keys"), 250);
    });
    open();
    const DailyChart& chart = *tab->chart();
    ASSERT_EQ(chart.series().size(), 30U);
    EXPECT_EQ(chart.series().front().day, day("2026-02-04"));
    EXPECT_EQ(chart.series().back(), (DayCount{day("2026-03-05"), 250, 0}));
    const std::size_t feb27 = 23;
    const std::size_t mar1 = 25;
    const std::size_t feb28 = 24;  // nothing typed: a stub
    EXPECT_EQ(chart.barRect(feb27).height(), chart.height());
    EXPECT_NEAR(chart.barRect(mar1).height(), chart.height() / 2.0, 1.0);
    EXPECT_EQ(chart.barRect(feb28).height(), 1);
    EXPECT_LT(chart.barRect(feb27).right(), chart.barRect(feb28).left()) << "bars do not touch";
    EXPECT_EQ(chart.barRect(29).right(), chart.width() - 1) << "today ends the row";

    const QImage image = tab->chart()->grab().toImage();
    const QRect today = chart.barRect(29);
    EXPECT_EQ(image.pixelColor(today.center()).rgb(), style::brutalAccent().rgb());
    EXPECT_NE(image.pixelColor(chart.barRect(feb27).center()).rgb(), style::brutalAccent().rgb());
}

TEST_F(DailyChartTest, HoverNamesTheDayAndItsCountUntilThePointerLeaves) {
    store.seed([](Preferences& p) { p.setInteger(keys::daily("2026-03-01", "keys"), 12'345); });
    open();
    DailyChart* chart = tab->chart();
    EXPECT_EQ(tab->chartCaption(), "");
    hover(chart, chart->barRect(25).center());
    EXPECT_EQ(tab->chartCaption(), "MAR 1 -- 12,345 KEYS");
    // The gap after a bar belongs to it; a short bar is hovered by its column.
    hover(chart, QPoint(chart->barRect(26).right() + 1, 2));
    EXPECT_EQ(tab->chartCaption(), "MAR 2 -- 0 KEYS");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(chart, &leave);
    EXPECT_EQ(tab->chartCaption(), "");
    EXPECT_EQ(dayCaption({day("2026-01-31"), 1, 0}), "JAN 31 -- 1 KEY");
}

TEST_F(DailyChartTest, TodaysBarFollowsEachFlush) {
    open();
    for (int i = 0; i < 40; ++i) {
        store.stats->recordKeystroke();
    }
    store.stats->flushNow();
    tab->refresh();
    EXPECT_EQ(tab->chart()->series().back().keys, 40);
    EXPECT_EQ(tab->chart()->barRect(29).height(), tab->chart()->height());
}

}  // namespace
}  // namespace quib
