#include "panel/StatsTab.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "support/StoreFixture.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

using keys::currentStreak;
using keys::totalKeystrokes;
using keys::totalXP;

class StatsTabTest : public ::testing::Test {
  protected:
    QApplication& app = test::application();
    test::ThemeScope theme{AppTheme::classic};
    test::TestStore store;
    QWidget panel;
    StatsTabView* tab = nullptr;

    void SetUp() override {
        panel.resize(340, 398);
        tab = new StatsTabView(&panel);
    }
};

TEST_F(StatsTabTest, PlaceholdersStayUntilAStoreArrives) {
    tab->refresh();
    EXPECT_EQ(tab->texts(),
              (QStringList{"LVL 0", "NOOB", "XP  0/100", "[....................] 0%",
                           "SESSION   0 KEYS / 0 CLICKS", "TODAY     0 KEYS / 0 CLICKS",
                           "ALL-TIME  0 KEYS / 0 CLICKS", "SPEED     -- WPM", "STREAK    0 DAYS"}));
}

TEST_F(StatsTabTest, ANewUserSeesLevelZeroAndAnEmptyBar) {
    tab->configure(*store.stats);
    const QStringList texts = tab->texts();
    EXPECT_EQ(texts[0], "LVL 0");
    EXPECT_EQ(texts[1], "NOOB");
    EXPECT_EQ(texts[2], "XP  0/550");
    EXPECT_EQ(texts[3], "[....................] 0%");
    EXPECT_EQ(texts[7], "SPEED     -- WPM");
    EXPECT_EQ(texts[8], "STREAK    0 DAYS");
}

TEST_F(StatsTabTest, XpIsCountedFromTheStartOfTheLevelAndCountersUseTheCompactForm) {
    store.seed([](Preferences& p) {
        p.setInteger(totalXP, 550 + 300);  // level 1, 300 into the 700 of level 2
        p.setInteger(totalKeystrokes, 1'234'567);
        p.setInteger(currentStreak, 1);
    });
    tab->configure(*store.stats);
    const QStringList texts = tab->texts();
    EXPECT_EQ(texts[0], "LVL 1");
    EXPECT_EQ(texts[1], "ROOKIE");
    EXPECT_EQ(texts[2], "XP  300/700");
    EXPECT_EQ(texts[3], "[########............] 42%");
    EXPECT_EQ(texts[6], "ALL-TIME  1.2M KEYS / 0 CLICKS");
    EXPECT_EQ(texts[8], "STREAK    1 DAY");
}

TEST_F(StatsTabTest, TextPiecesTruncateAndPluralise) {
    EXPECT_EQ(progressBarText(0.37), "[#######.............] 37%");
    EXPECT_EQ(progressBarText(0.999), "[###################.] 99%");
    EXPECT_EQ(progressBarText(1.0), "[####################] 100%");
    EXPECT_EQ(streakText(2), "STREAK    2 DAYS");
    EXPECT_EQ(speedText(42), "SPEED     ~42 WPM");
    EXPECT_EQ(speedText(0), "SPEED     -- WPM");
}

TEST_F(StatsTabTest, RefreshShowsTheSessionAsItGrowsWithFixedSizes) {
    tab->configure(*store.stats);
    for (int i = 0; i < 1500; ++i) {
        store.stats->recordKeystroke();
    }
    tab->refresh();
    EXPECT_EQ(tab->texts()[4], "SESSION   1.5K KEYS / 0 CLICKS");
    const auto* level = tab->findChildren<QLabel*>().first();
    EXPECT_EQ(level->font().pixelSize(), 24);
    EXPECT_EQ(level->font().weight(), QFont::Black);
}

TEST_F(StatsTabTest, TheLevelIsInTheAccentOfEveryTheme) {
    for (AppTheme t : allAppThemes()) {
        theme.set(t);
        QWidget host;
        host.resize(340, 398);
        StatsTabView page(&host);
        page.configure(*store.stats);
        EXPECT_EQ(page.findChildren<QLabel*>().first()->palette().color(QPalette::WindowText),
                  style::brutalAccent())
            << rawValue(t);
    }
}

}  // namespace
}  // namespace quib
