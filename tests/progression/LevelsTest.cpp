#include <gtest/gtest.h>

#include <cstdio>

#include "progression/GameStats.h"
#include "support/CommaLocale.h"

namespace quib {
namespace {

TEST(LevelsTest, CurveMatchesItsTable) {
    EXPECT_EQ(GameStats::xpForLevel(0), 0);
    EXPECT_EQ(GameStats::xpForLevel(1), 550);
    EXPECT_EQ(GameStats::xpForLevel(10), 5500);
    EXPECT_EQ(GameStats::xpForLevel(99), 490550);
    EXPECT_EQ(GameStats::xpForLevel(100), 500500);
    EXPECT_EQ(GameStats::cumulativeXPForLevel(0), 550);
    EXPECT_EQ(GameStats::cumulativeXPForLevel(2), 1250);
    EXPECT_EQ(GameStats::cumulativeXPForLevel(5), 5250);
    EXPECT_EQ(GameStats::cumulativeXPForLevel(20), 153500);
    EXPECT_EQ(GameStats::cumulativeXPForLevel(30), 487750);
    EXPECT_EQ(GameStats::cumulativeXPForLevel(99), 16467000);
}

TEST(LevelsTest, LevelBoundariesAndTitles) {
    struct Case {
        std::int64_t xp;
        std::int64_t level;
        const char* title;
    };
    for (const Case& c :
         {Case{0, 0, "NOOB"}, Case{549, 0, "NOOB"}, Case{550, 1, "ROOKIE"}, Case{1249, 1, "ROOKIE"},
          Case{1250, 2, "ROOKIE"}, Case{5250, 5, "TYPIST"}, Case{24250, 10, "CLACKER"},
          Case{153500, 20, "CLACK MASTER"}, Case{487749, 29, "TYPING OVERLORD"},
          Case{487750, 30, "KEYBOARD LEGEND"}, Case{16466999, 98, "KEYBOARD LEGEND"},
          Case{16467000, 99, "KEYBOARD LEGEND"}, Case{INT64_MAX, 99, "KEYBOARD LEGEND"}}) {
        EXPECT_EQ(GameStats::levelForXP(c.xp), c.level) << c.xp;
        EXPECT_EQ(GameStats::titleForLevel(c.level), c.title) << c.xp;
    }
    EXPECT_EQ(GameStats::titleForLevel(15), "KEYSTROKE KNIGHT");
    EXPECT_EQ(GameStats::titleForLevel(25), "TYPING OVERLORD");
}

TEST(LevelsTest, FormatNumberUsesCompactUnits) {
    EXPECT_EQ(GameStats::formatNumber(0), "0");
    EXPECT_EQ(GameStats::formatNumber(999), "999");
    EXPECT_EQ(GameStats::formatNumber(-5), "-5");
    EXPECT_EQ(GameStats::formatNumber(1000), "1.0K");
    EXPECT_EQ(GameStats::formatNumber(25300), "25.3K");
    EXPECT_EQ(GameStats::formatNumber(999950), "1000.0K");
    EXPECT_EQ(GameStats::formatNumber(999999), "1000.0K");
    EXPECT_EQ(GameStats::formatNumber(1000000), "1.0M");
    EXPECT_EQ(GameStats::formatNumber(1234567), "1.2M");
}

TEST(LevelsTest, FormatNumberKeepsTheDecimalPointUnderACommaLocale) {
    test::CommaLocale german;
    ASSERT_TRUE(german.active()) << "localedef could not build de_DE.UTF-8";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.25);
    ASSERT_STREQ(probe, "1,2") << "the locale really has a decimal comma";
    EXPECT_EQ(GameStats::formatNumber(1234), "1.2K");
    EXPECT_EQ(GameStats::formatNumber(999950), "1000.0K");
    EXPECT_EQ(GameStats::formatNumber(1234567), "1.2M");
    EXPECT_EQ(GameStats::formatNumber(123456), "123.5K");
}

}  // namespace
}  // namespace quib
