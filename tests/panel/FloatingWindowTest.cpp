#include "panel/FloatingWindow.h"

#include <gtest/gtest.h>

#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib::test {
namespace {

TEST(FloatingWindowTest, TheAccentStandsOutOnTheCardInEveryThemeAndIsTheThemesWhereItCan) {
    application();
    for (AppTheme theme : allAppThemes()) {
        SCOPED_TRACE(std::string(rawValue(theme)));
        ThemeScope scope(theme);
        EXPECT_GE(contrastRatio(cardAccent(), style::brutalBlack()), 1.5);
        if (theme == AppTheme::terminal) {
            EXPECT_EQ(cardAccent(), style::brutalWhite()) << "its accent is its text colour";
        } else {
            EXPECT_EQ(cardAccent(), style::brutalAccent());
        }
    }
}

TEST(FloatingWindowTest, ContrastRatioRunsFromOneToTwentyOne) {
    EXPECT_DOUBLE_EQ(contrastRatio(Qt::black, Qt::white), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(Qt::red, Qt::red), 1.0);
    EXPECT_EQ(legibleOn(Qt::white, QColor(250, 250, 250), Qt::black), QColor(Qt::black));
    EXPECT_EQ(legibleOn(Qt::white, Qt::blue, Qt::black), QColor(Qt::blue));
}

}  // namespace
}  // namespace quib::test
