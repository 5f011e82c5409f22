#include "progression/DailySeries.h"

#include <gtest/gtest.h>

#include "progression/CalendarDays.h"
#include "progression/StoreKeys.h"
#include "support/StoreFixture.h"

namespace quib {
namespace {

std::int64_t day(const char* text) {
    return calendar::parseDay(text).value();
}

TEST(CalendarDaysTest, DaysRoundTripAcrossMonthYearAndLeapBoundaries) {
    struct Case {
        const char* text;
        std::int64_t number;
    };
    for (const Case& c :
         {Case{"1970-01-01", 0}, Case{"1969-12-31", -1}, Case{"2024-02-29", 19782},
          Case{"2024-03-01", 19783}, Case{"2026-01-01", 20454}, Case{"2000-02-29", 11016}}) {
        EXPECT_EQ(calendar::parseDay(c.text), c.number) << c.text;
        EXPECT_EQ(calendar::formatDay(c.number), c.text);
    }
    for (const char* bad :
         {"2026-02-29", "2026-13-01", "2026-04-31", "2026-3-05", "2026-03-0x", "", "1900-02-29"}) {
        EXPECT_FALSE(calendar::parseDay(bad)) << bad;
    }
}

class DailySeriesTest : public test::StoreFixture {};

TEST_F(DailySeriesTest, ReadsAcrossAMonthBoundaryWithMissingAndDamagedDaysAsZero) {
    preferences->setInteger(keys::daily("2024-02-27", "keys"), 9);  // one day too early
    preferences->setInteger(keys::daily("2024-02-28", "keys"), 100);
    preferences->setInteger(keys::daily("2024-02-28", "clicks"), 7);
    preferences->setInteger(keys::daily("2024-02-29", "keys"), -5);  // damaged
    preferences->setString(keys::daily("2024-03-02", "clicks"), "many");
    preferences->setInteger(keys::daily("2024-03-03", "keys"), 40);
    const auto series = readDailySeries(*preferences, day("2024-03-03"), 5);
    EXPECT_EQ(series, (std::vector<DayCount>{{day("2024-02-28"), 100, 7},
                                             {day("2024-02-29"), 0, 0},
                                             {day("2024-03-01"), 0, 0},
                                             {day("2024-03-02"), 0, 0},
                                             {day("2024-03-03"), 40, 0}}));
}

TEST_F(DailySeriesTest, RebasingKeepsSharedDaysAndZeroesTheRest) {
    const std::vector<DayCount> series{{10, 1, 0}, {11, 2, 0}, {12, 3, 0}};
    EXPECT_EQ(rebaseSeries(series, 13, 3),
              (std::vector<DayCount>{{11, 2, 0}, {12, 3, 0}, {13, 0, 0}}));
    EXPECT_EQ(rebaseSeries(series, 20, 2), (std::vector<DayCount>{{19, 0, 0}, {20, 0, 0}}));
    EXPECT_EQ(rebaseSeries(series, 11, 2), (std::vector<DayCount>{{10, 1, 0}, {11, 2, 0}}))
        << "a clock set back";
}

TEST_F(DailySeriesTest, TheStoreKeepsThirtyDaysInStepWithItsFlushes) {
    clock.setDay("2026-02-27");
    preferences->setInteger(keys::daily("2026-01-29", "keys"), 5);  // 30 days back: shown
    preferences->setInteger(keys::daily("2026-01-28", "keys"), 6);  // 31 days back: not
    preferences->setInteger(keys::daily("2026-02-26", "keys"), 11);
    reopen();
    auto days = stats->recentDays();
    ASSERT_EQ(days.size(), 30U);
    EXPECT_EQ(days.front(), (DayCount{day("2026-01-29"), 5, 0}));
    EXPECT_EQ(days[28], (DayCount{day("2026-02-26"), 11, 0}));

    typeKeys(3);
    clickMouse(2);
    stats->flushNow();
    EXPECT_EQ(stats->recentDays().back(), (DayCount{day("2026-02-27"), 3, 2}));

    clock.setDay("2026-03-01");  // two days on, before any flush
    days = stats->recentDays();
    EXPECT_EQ(days.back(), (DayCount{day("2026-03-01"), 0, 0}));
    EXPECT_EQ(days[27], (DayCount{day("2026-02-27"), 3, 2}));
    typeKeys(4);
    stats->flushNow();
    days = stats->recentDays();
    EXPECT_EQ(days.back(), (DayCount{day("2026-03-01"), 4, 0}));
    EXPECT_EQ(days[27], (DayCount{day("2026-02-27"), 3, 2}));
    EXPECT_EQ(days[28], (DayCount{day("2026-02-28"), 0, 0}));
}

TEST_F(DailySeriesTest, TheFlushStoresTheSpeedOnlyWhenItTookKeys) {
    clickMouse(1);
    stats->flushNow();
    EXPECT_FALSE(preferences->integerValue(keys::typingSpeed));
    for (int i = 0; i < 21; ++i) {
        stats->recordKeystroke();
        clock.advance(0.25);  // 4 keys a second: 48 words a minute
    }
    stats->flushNow();
    EXPECT_EQ(preferences->integerValue(keys::typingSpeed), 48);
}

}  // namespace
}  // namespace quib
