#include "panel/ShopTab.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "panel/FlatViews.h"
#include "panel/ScrollPage.h"
#include "support/StoreFixture.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

class ShopTabTest : public ::testing::Test {
  protected:
    void SetUp() override {
        panel.resize(340, 398);
        tab = new ShopTabView(&panel);
        tab->onClaimReward = [this] { ++claims; };
        tab->onThemeSelected = [this](AppTheme t) { themes.push_back(t); };
    }
    // The page's rows and labels as they are shown, top to bottom.
    std::vector<FlatButton*> themeRows() const { return themeRowsOf(*tab); }
    static std::vector<FlatButton*> themeRowsOf(const ShopTabView& page) {
        auto rows = page.scrollView()->document()->findChildren<FlatButton*>();
        rows.removeOne(page.claimButton());
        return {rows.begin(), rows.end()};
    }
    QStringList lines() const {
        QStringList texts;
        for (const QLabel* label : tab->scrollView()->document()->findChildren<QLabel*>()) {
            texts << label->text();
        }
        return texts;
    }

    QApplication& app = test::application();
    test::ThemeScope theme{AppTheme::classic};
    test::TestStore store;
    QWidget panel;
    ShopTabView* tab = nullptr;
    int claims = 0;
    std::vector<AppTheme> themes;
};

TEST_F(ShopTabTest, AFreshInstallHasNothingToClaimAndOnlyClassic) {
    tab->refresh();
    EXPECT_EQ(tab->scrollView(), nullptr);  // blank without a store
    tab->configure(*store.stats);
    EXPECT_EQ(tab->scrollView()->documentHeight(), 1040);
    EXPECT_EQ(tab->coinsLabel()->text(), QStringLiteral("0 COINS  |  19K 19M 6T LOCKED"));
    EXPECT_FALSE(tab->claimButton()->isEnabled());
    EXPECT_EQ(tab->claimButton()->fill(), style::brutalGrayLight());
    const auto rows = themeRows();
    ASSERT_EQ(rows.size(), kAppThemeCount);
    EXPECT_EQ(rows[0]->title(), QStringLiteral("  CLASSIC"));
    EXPECT_EQ(rows[0]->fill(), style::brutalAccent());
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->title(), QStringLiteral("  LOCKED"));
        EXPECT_FALSE(rows[i]->isEnabled());
    }
    const QStringList texts = lines();
    EXPECT_TRUE(texts.contains(QStringLiteral("// ACHIEVEMENTS [0/28]")));
    EXPECT_EQ(texts.filter(QRegularExpression(QStringLiteral("^\\[ \\] "))).size(), 28);
    EXPECT_EQ(texts.filter(QStringLiteral("---")).size(), 5);
}

TEST_F(ShopTabTest, OneCoinEnablesTheClaimUnlessAWindowIsShown) {
    store.seed([](Preferences& p) { p.setInteger(keys::coins, 1); });
    tab->configure(*store.stats);
    EXPECT_TRUE(tab->claimButton()->isEnabled());
    EXPECT_EQ(tab->claimButton()->fill(), style::brutalAccent());
    EXPECT_EQ(tab->claimButton()->titleColor(), style::brutalWhite());
    tab->claimButton()->click();
    EXPECT_EQ(claims, 1);
    tab->setClaimSuspended(true);
    EXPECT_FALSE(tab->claimButton()->isEnabled());
    tab->claimButton()->click();
    EXPECT_EQ(claims, 1);
    tab->setClaimSuspended(false);
    EXPECT_TRUE(tab->claimButton()->isEnabled());
}

TEST_F(ShopTabTest, OwnedThemesReportAndEverythingOwnedLeavesNothingToClaim) {
    store.seed([](Preferences& p) {
        std::vector<std::string> names;
        for (AppTheme t : allAppThemes()) {
            names.emplace_back(rawValue(t));
        }
        std::vector<std::string> profiles;
        for (SoundProfile s : allSoundProfiles()) {
            profiles.emplace_back(rawValue(s));
        }
        p.setStringList(keys::unlockedThemes, names);
        p.setStringList(keys::unlockedKeyProfiles, profiles);
        p.setStringList(keys::unlockedMouseProfiles, profiles);
        p.setString(keys::activeTheme, "Ice");
        p.setInteger(keys::coins, 4);
        p.setStringList(keys::unlockedAchievements, {allAchievements().front().id});
    });
    tab->configure(*store.stats);
    EXPECT_EQ(tab->coinsLabel()->text(), QStringLiteral("4 COINS  |  0K 0M 0T LOCKED"));
    EXPECT_FALSE(tab->claimButton()->isEnabled());
    const auto rows = themeRows();
    EXPECT_EQ(rows[std::size_t(AppTheme::ice)]->fill(), style::brutalAccent());
    rows[std::size_t(AppTheme::ice)]->click();  // the active one reports again
    rows[std::size_t(AppTheme::blood)]->click();
    EXPECT_EQ(themes, (std::vector<AppTheme>{AppTheme::ice, AppTheme::blood}));
    const QStringList texts = lines();
    EXPECT_TRUE(texts.contains(QStringLiteral("// ACHIEVEMENTS [1/28]")));
    EXPECT_EQ(texts.filter(QStringLiteral("[x] ")).size(), 1);
}

TEST_F(ShopTabTest, ARefreshFromTheClaimItselfKeepsThePageAlive) {
    store.seed([](Preferences& p) { p.setInteger(keys::coins, 2); });
    tab->onClaimReward = [this] { tab->refresh(); };
    tab->configure(*store.stats);
    tab->claimButton()->click();  // must not free the button under its own click
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tab->claimButton()->isEnabled());
}

}  // namespace
}  // namespace quib
