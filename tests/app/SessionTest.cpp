#include "app/AppDelegateFixture.h"

namespace quib::test {
namespace {

using SessionTest = AppDelegateFixture;

TEST_F(SessionTest, LockedScreenIsNeitherHeardNorCountedAndUnlockResumes) {
    completeOnboardingBefore();
    auto& app = launch();
    queue.drain();
    const auto before = mark();
    session.lock(true);
    EXPECT_TRUE(app.isPaused());
    EXPECT_TRUE(statusItem.paused);
    sources.listener()->onInputEvent(InputEvent::keyDown);
    sources.listener()->onInputEvent(InputEvent::mouseDown);
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 0);
    EXPECT_EQ(app.gameStats().sessionClicks(), 0);
    EXPECT_EQ(keyPlays(before) + mousePlays(before), 0);
    EXPECT_TRUE(app.isEnabled()) << "the lock is not the switch";
    EXPECT_FALSE(statusItem.dimmed);
    app.panelDidChangeKeyVolume(0.5F);  // saves every setting
    EXPECT_EQ(preferences->boolValue("enabled"), true);

    session.lock(false);
    EXPECT_FALSE(statusItem.paused);
    sources.listener()->onInputEvent(InputEvent::keyDown);
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 1);
    EXPECT_EQ(keyPlays(before), 1);
}

TEST_F(SessionTest, UnlockLeavesASwitchTurnedOffDuringTheLockOff) {
    completeOnboardingBefore();
    auto& app = launch();
    session.lock(true);
    app.panelDidToggleEnabled(false);
    session.lock(false);
    sources.listener()->onInputEvent(InputEvent::keyDown);
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 0);
    EXPECT_TRUE(statusItem.dimmed);
    EXPECT_FALSE(statusItem.paused);
}

TEST_F(SessionTest, StartingBehindALockedScreenIsPausedAndSilent) {
    completeOnboardingBefore();
    session.locked = true;
    auto& app = launch();
    queue.drain();
    EXPECT_TRUE(statusItem.paused);
    EXPECT_EQ(keyPlays(), 0) << "no start-up click at the lock screen";
    sources.listener()->onInputEvent(InputEvent::keyDown);
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 0);
}

TEST_F(SessionTest, MilestoneBehindALockedScreenIsPostedWithoutItsClicks) {
    completeOnboardingBefore();
    preferences->setInteger("gs_totalXP", 549);
    auto& app = launch();
    queue.drain();
    sources.listener()->onInputEvent(InputEvent::keyDown);
    session.lock(true);  // locked before the flush that finds the level-up
    app.gameStats().flushNow();
    const auto before = mark();
    queue.drain();
    ASSERT_EQ(notifications.posted.size(), 1u);
    EXPECT_EQ(notifications.posted[0].title, "LEVEL UP");
    EXPECT_EQ(keyPlays(before) + mousePlays(before), 0);
}

TEST_F(SessionTest, SleepWritesTheDaysCountsAndTheNextDayStartsAfterWaking) {
    completeOnboardingBefore();
    clock.setDay("2026-03-05");
    auto& app = launch();
    for (int i = 0; i < 3; ++i) {
        sources.listener()->onInputEvent(InputEvent::keyDown);
    }
    session.onWillSleep();
    EXPECT_EQ(preferences->integer("gs_totalKeystrokes"), 3) << "on disk before the sleep";

    clock.setDay("2026-03-06");  // slept past midnight
    const auto before = mark();
    session.onDidWake();
    EXPECT_EQ(audio.calls.at(before).operation, "reopenDevice");
    for (int i = 0; i < 2; ++i) {
        sources.listener()->onInputEvent(InputEvent::keyDown);
    }
    app.applicationWillTerminate();
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-05_keys"), 3);
    EXPECT_EQ(preferences->integer("gs_daily_2026-03-06_keys"), 2);
    EXPECT_EQ(preferences->integer("gs_currentStreak"), 2);
    EXPECT_EQ(preferences->stringValue("gs_lastActiveDate"), "2026-03-06");
    EXPECT_EQ(app.gameStats().todayKeystrokes(), 2);
}

}  // namespace
}  // namespace quib::test
