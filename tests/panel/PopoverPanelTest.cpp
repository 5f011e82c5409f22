#include "panel/PopoverPanel.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QLabel>
#include <QtTest/QTest>

#include "panel/FlatViews.h"
#include "panel/PanelWindow.h"
#include "panel/RecordingDelegate.h"
#include "panel/SoundsTab.h"
#include "support/StoreFixture.h"
#include "support/TempDir.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

class PopoverPanelTest : public ::testing::Test {
  protected:
    PopoverPanelTest() {
        panel.setDelegate(&delegate);
        panel.setPressFeedProbe([this] { return feedRunning; });
        pushData();
    }

    void pushData() {
        const GameStats& stats = *store.stats;
        panel.setSoundsData(SoundProfile::iphone, SoundProfile::iphone, 0.5F, 0.5F, stats);
        panel.setStatsData(stats);
        panel.setShopData(stats);
        panel.setFocusData({}, std::nullopt, false, 0.5F, stats);
    }
    void later(double seconds) { clock.advance(seconds); }
    void setCoins(std::int64_t coins) {
        store.seed([coins](Preferences& p) { p.setInteger(keys::coins, coins); });
    }
    FlatButton* tabButton(int index) const { return panel.window()->tabButtons()[index]; }
    // A press the input feed reports, judged at once.
    void reportPress() {
        panel.globalPress();
        ASSERT_TRUE(test::waitFor([&] { return !panel.isJudgingPress(); }));
    }
    void pointer(bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
            QApplication::sendEvent(panel.window(), &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(panel.window(), &leave);
        }
    }

    QApplication& app = test::application();
    test::ThemeScope theme{AppTheme::classic};
    test::TestStore store;
    test::FakeClock clock;
    test::RecordingDelegate delegate;
    bool feedRunning = true;
    PopoverPanel panel{[] { return QRect(); }, &clock};
};

TEST_F(PopoverPanelTest, AToggleWithinAThirdOfASecondOfAnyDismissalIsIgnored) {
    panel.toggle();
    ASSERT_TRUE(panel.isVisible());
    later(1);
    panel.dismiss();  // e.g. the press on the tray icon, seen first
    later(0.1);
    panel.toggle();  // that icon's own activation
    EXPECT_FALSE(panel.isVisible());
    later(0.25);
    panel.toggle();
    EXPECT_TRUE(panel.isVisible());
    later(0.5);
    panel.toggle();
    EXPECT_FALSE(panel.isVisible()) << "an icon click closes an open panel";
}

TEST_F(PopoverPanelTest, APressOutsideClosesItAndOneInsideDoesNot) {
    panel.show();
    later(1);
    pointer(true);
    reportPress();
    EXPECT_TRUE(panel.isVisible());
    pointer(false);
    reportPress();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_TRUE(delegate.calls.empty());

    panel.show();
    later(0.1);
    panel.globalPress();
    EXPECT_FALSE(panel.isJudgingPress()) << "the press that opened it, reported late";
}

// The feed can be quicker than the window: a press reported before the
// pointer's arrival or the window's own press is still a press inside.
TEST_F(PopoverPanelTest, APressReportedBeforeTheWindowHeardOfItIsJudgedALittleLater) {
    panel.show();
    later(1);
    panel.globalPress();
    pointer(true);
    ASSERT_TRUE(test::waitFor([&] { return !panel.isJudgingPress(); }));
    EXPECT_TRUE(panel.isVisible());
    pointer(false);
    later(1);
    panel.globalPress();
    QTest::mouseClick(tabButton(2), Qt::LeftButton);
    ASSERT_TRUE(test::waitFor([&] { return !panel.isJudgingPress(); }));
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.currentTab(), 2);
}

TEST_F(PopoverPanelTest, APressInAnotherWindowOfTheApplicationClosesItButNotOneOnItself) {
    QWidget other;
    other.resize(50, 50);
    other.show();
    panel.show();
    later(1);
    QTest::mouseClick(tabButton(1), Qt::LeftButton);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.currentTab(), 1);
    QTest::mousePress(&other, Qt::RightButton);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(PopoverPanelTest, WithoutAnInputFeedItTakesTheFocusAndClosesWhenItLosesIt) {
    panel.show();
    EXPECT_FALSE(panel.window()->takesFocus());
    EXPECT_TRUE(panel.window()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    panel.dismiss();
    feedRunning = false;
    later(1);
    panel.show();
    EXPECT_TRUE(panel.window()->takesFocus());
    EXPECT_FALSE(panel.window()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(panel.window(), &deactivate);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(PopoverPanelTest, TheStatsRefreshRunsOnlyWhileShown) {
    EXPECT_FALSE(panel.isRefreshing());
    panel.show();
    EXPECT_TRUE(panel.isRefreshing());
    panel.dismiss();
    EXPECT_FALSE(panel.isRefreshing());
    later(1);
    panel.show();
    panel.forceRebuild();
    EXPECT_FALSE(panel.isRefreshing());
}

TEST_F(PopoverPanelTest, RewardsIsHighlightedWhileCoinsWaitFromTheNextDataPush) {
    const QColor accent = style::brutalAccent();
    setCoins(1);
    pushData();
    panel.show();
    EXPECT_EQ(tabButton(3)->borderColor(), style::brutalBlack()) << "show itself does not restyle";
    pushData();
    EXPECT_EQ(tabButton(3)->borderColor(), accent);
    EXPECT_EQ(tabButton(3)->titleColor(), accent);
    panel.selectTab(3);
    EXPECT_EQ(tabButton(3)->fill(), accent);
    EXPECT_EQ(tabButton(3)->titleColor(), style::brutalAccentContrast());
    panel.selectTab(0);
    EXPECT_EQ(tabButton(3)->borderColor(), accent);
    setCoins(0);
    pushData();
    EXPECT_EQ(tabButton(3)->borderColor(), style::brutalBlack());
    EXPECT_FALSE(tabButton(3)->fill().isValid());
}

TEST_F(PopoverPanelTest, TheHeaderAndFooterReportTheirActions) {
    panel.show();
    PanelWindow* window = panel.window();
    for (FlatButton* button : {window->enabledToggle(), window->enabledToggle(),
                               window->versionButton(), window->supportLabel()}) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
    EXPECT_EQ(window->enabledToggle()->title(), QStringLiteral("ON"));
    QTest::mouseClick(window->quitButton(), Qt::LeftButton);
    EXPECT_EQ(delegate.calls,
              (std::vector<std::string>{"toggle:off", "toggle:on", "updates", "quit"}));
    EXPECT_FALSE(panel.isVisible()) << "QUIT closes the panel first";
    // The test build names no support page: its buttons would open nothing.
    EXPECT_TRUE(window->supportLabel()->isHidden());
    EXPECT_TRUE(window->supportIcon()->isHidden());
}

TEST_F(PopoverPanelTest, TheSwitchShowsOnInTheAccentAndOffInLightGrey) {
    panel.show();
    panel.updateEnabledState(false);
    EXPECT_EQ(panel.window()->enabledToggle()->title(), QStringLiteral("OFF"));
    EXPECT_EQ(panel.window()->enabledToggle()->titleColor(), style::brutalGrayLight());
    panel.forceRebuild();
    later(1);
    panel.show();
    EXPECT_EQ(panel.window()->enabledToggle()->title(), QStringLiteral("OFF")) << "cached";
    panel.updateEnabledState(true);
    EXPECT_EQ(panel.window()->enabledToggle()->titleColor(), style::brutalAccent());
}

TEST_F(PopoverPanelTest, TheTitleMakesRoomForTheLogoWhenTheResourceDirectoryHasOne) {
    test::TempDir resources;
    QImage logo(64, 64, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    const struct {
        bool withLogo;
        int titleX;
    } cases[] = {{false, 16}, {true, 54}};
    for (const auto& c : cases) {
        if (c.withLogo) {
            ASSERT_TRUE(
                logo.save(QString::fromStdString((resources.path() / "header-logo.png").string())));
        }
        qputenv("QUIB_RESOURCE_DIR", QByteArray::fromStdString(resources.path().string()));
        PopoverPanel fresh([] { return QRect(); }, &clock);
        fresh.show();
        qunsetenv("QUIB_RESOURCE_DIR");
        EXPECT_EQ(fresh.window()->hasLogo(), c.withLogo);
        EXPECT_EQ(fresh.window()->titleLabel()->x(), c.titleX);
        EXPECT_EQ(fresh.window()->titleLabel()->text(), QStringLiteral("QUIB."));
    }
}

TEST_F(PopoverPanelTest, TabActionsReachTheDelegate) {
    panel.show();
    panel.soundsTab()->onKeyProfileSelected(std::nullopt);
    panel.soundsTab()->onTestSound();
    panel.setDelegate(nullptr);
    panel.soundsTab()->onKeyProfileSelected(std::nullopt);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"key:off", "test"}));
}

TEST_F(PopoverPanelTest, ARebuildInEveryThemeReopensOnTheSameTabWithALegibleOn) {
    panel.show();
    panel.selectTab(2);
    for (AppTheme t : allAppThemes()) {
        SCOPED_TRACE(std::string(rawValue(t)));
        theme.set(t);
        panel.forceRebuild();
        later(1);
        panel.show();
        EXPECT_EQ(panel.currentTab(), 2);
        // ON is the accent, except on Terminal, whose accent is its text
        // colour: there it takes the header title's colour.
        const QColor on = t == AppTheme::terminal ? style::brutalWhite() : style::brutalAccent();
        EXPECT_EQ(panel.window()->enabledToggle()->titleColor(), on);
    }
}

}  // namespace
}  // namespace quib
