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

TEST(FloatingWindowTest, CaptionsReadOnTheCardInEveryTheme) {
    application();
    for (AppTheme theme : allAppThemes()) {
        SCOPED_TRACE(std::string(rawValue(theme)));
        ThemeScope scope(theme);
        EXPECT_GE(contrastRatio(cardCaption(), style::brutalBlack()), 3.0);
    }
    ThemeScope midnight(AppTheme::midnight);
    EXPECT_EQ(cardCaption(), style::brutalGrayMid()) << "the theme's own grey where it reads";
}

}  // namespace
}  // namespace quib::test
