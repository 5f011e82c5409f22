// The reward claim as the controller carries it out: one transaction for the
// coin and the prize, the user's own switch in the store, one reward at a time.
#include "app/AppDelegateFixture.h"
#include "support/HookedPreferences.h"

namespace quib::test {
namespace {

class RewardClaimTest : public AppDelegateFixture {
  protected:
    // What a fresh process would read from the file now.
    std::optional<std::int64_t> committedCoins() const {
        auto reader = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readOnly).store;
        return reader->integerValue("gs_coins");
    }
};

TEST_F(RewardClaimTest, ACrashBetweenSpendingAndUnlockingCostsNoCoin) {
    completeOnboardingBefore();
    preferences->setInteger("gs_coins", 2);
    HookedPreferences watched(*preferences);
    std::optional<std::int64_t> coinsWhenUnlocked;
    watched.afterWrite = [&](std::string_view key) {
        if (key == "gs_unlockedThemes") {
            coinsWhenUnlocked = committedCoins();
        }
    };
    appPreferences = &watched;
    auto& app = launch();
    random = ScriptedRandom({2, 0});  // a theme
    app.panelDidRequestClaimReward();
    ASSERT_TRUE(coinsWhenUnlocked.has_value()) << "the prize was written";
    EXPECT_EQ(*coinsWhenUnlocked, 2) << "the coin is not spent before the prize is stored";
    EXPECT_EQ(committedCoins(), 1);
    EXPECT_TRUE(app.gameStats().isThemeUnlocked(AppTheme::midnight));
}

TEST_F(RewardClaimTest, TheStoredSwitchIsTheUsersChoiceThroughoutAReward) {
    for (const bool userChoice : {true, false}) {
        SCOPED_TRACE(userChoice ? "switch on" : "switch off");
        completeOnboardingBefore();
        preferences->setInteger("gs_coins", 1);
        preferences->setBool("enabled", userChoice);
        auto& app = launch();
        random = ScriptedRandom({0, 3});  // keyboard, "Haptic"
        app.panelDidRequestClaimReward();
        ASSERT_NE(spinner, nullptr);
        EXPECT_FALSE(app.isEnabled()) << "muted while the reel runs";
        app.panelDidChangeKeyVolume(0.7F);  // any save while the window is up
        EXPECT_EQ(preferences->boolValue("enabled"), userChoice);
        spinner->onApplyName(spinner->winner, spinner->type);
        EXPECT_EQ(preferences->boolValue("enabled"), userChoice);
        spinner->onDismiss();
        EXPECT_EQ(app.isEnabled(), userChoice);
        delegate.reset();
        queue.drain();
        EXPECT_EQ(launch().isEnabled(), userChoice) << "after a restart";
        delegate.reset();
        queue.drain();
    }
}

TEST_F(RewardClaimTest, TogglingTheSwitchWhileTheReelRunsIsWhatTheDismissalRestores) {
    completeOnboardingBefore();
    preferences->setInteger("gs_coins", 1);
    auto& app = launch();
    app.panelDidRequestClaimReward();
    ASSERT_NE(spinner, nullptr);
    app.panelDidToggleEnabled(false);
    EXPECT_EQ(preferences->boolValue("enabled"), false);
    app.panelDidToggleEnabled(true);
    EXPECT_FALSE(app.isEnabled()) << "still muted until the window goes";
    EXPECT_EQ(preferences->boolValue("enabled"), true);
    spinner->onDismiss();
    EXPECT_TRUE(app.isEnabled());
}

TEST_F(RewardClaimTest, ASecondClaimWhileARewardIsShownIsIgnored) {
    completeOnboardingBefore();
    preferences->setInteger("gs_coins", 3);
    auto& app = launch();
    app.panelDidRequestClaimReward();
    ASSERT_NE(spinner, nullptr);
    EXPECT_TRUE(panel->claimSuspended);
    auto* first = spinner;
    const auto lockedBefore =
        app.gameStats().allLockedProfiles().size() + app.gameStats().lockedThemes().size();
    app.panelDidRequestClaimReward();
    EXPECT_EQ(spinner, first) << "no second window";
    EXPECT_EQ(app.gameStats().coins(), 2) << "no second coin spent";
    EXPECT_EQ(app.gameStats().allLockedProfiles().size() + app.gameStats().lockedThemes().size(),
              lockedBefore);
    first->onDismiss();
    EXPECT_TRUE(app.isEnabled()) << "the switch comes back on, not the muted value";
    EXPECT_FALSE(panel->claimSuspended);
    queue.drain();
    ASSERT_FALSE(app.isShowingReward());
    app.panelDidRequestClaimReward();
    EXPECT_TRUE(app.isShowingReward()) << "claims work again once the window is gone";
    EXPECT_EQ(app.gameStats().coins(), 1);
}

}  // namespace
}  // namespace quib::test
