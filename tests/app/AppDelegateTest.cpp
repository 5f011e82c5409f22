#include "app/AppDelegateFixture.h"

namespace quib::test {
namespace {

using AppDelegateTest = AppDelegateFixture;
using namespace std::chrono_literals;

TEST_F(AppDelegateTest, FirstRunUsesDefaultsAndShowsOnboardingWithoutListening) {
    auto& app = launch();
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::iphone);
    EXPECT_EQ(app.soundPlayer().mouseProfile(), SoundProfile::iphone);
    EXPECT_EQ(app.soundPlayer().keyVolume(), 1.0F);
    EXPECT_EQ(app.soundPlayer().mouseVolume(), 1.0F);
    EXPECT_TRUE(app.isEnabled());
    EXPECT_FALSE(statusItem.dimmed);
    ASSERT_NE(onboarding, nullptr);
    EXPECT_TRUE(onboarding->shown);
    EXPECT_FALSE(app.isListening());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->delegate, &app);
    EXPECT_EQ(panel->calls,
              (std::vector<std::string>{"setSoundsData", "setStatsData", "setShopData",
                                        "setFocusData", "updateEnabledState"}));
}

TEST_F(AppDelegateTest, FinishingOnboardingSavesTheFlagListensAndClicks) {
    launch();
    onboarding->onComplete();
    EXPECT_EQ(preferences->boolValue("onboardingComplete"), true);
    EXPECT_TRUE(delegate->isListening());
    const auto before = mark();
    queue.drain();
    EXPECT_EQ(keyPlays(before), 1) << "the start-up click";
    EXPECT_FALSE(delegate->isOnboarding());
}

TEST_F(AppDelegateTest, LaterRunsListenAtOnceAndClickAfterStart) {
    completeOnboardingBefore();
    auto& app = launch();
    EXPECT_EQ(onboarding, nullptr);
    EXPECT_TRUE(app.isListening());
    EXPECT_TRUE(app.hasPermission());
    EXPECT_EQ(queue.pendingDelays(), std::vector<std::chrono::milliseconds>{1500ms});
    queue.drain();
    EXPECT_EQ(keyPlays(), 1);
}

TEST_F(AppDelegateTest, WithoutPermissionNothingListensButTheClickStillPlays) {
    completeOnboardingBefore();
    permission.trusted = false;
    auto& app = launch();
    EXPECT_FALSE(app.isListening());
    EXPECT_FALSE(statusItem.dimmed) << "waiting does not dim";
    EXPECT_FALSE(panel->pressFeedRunning()) << "the panel must close by other means";
    queue.drain();
    EXPECT_EQ(keyPlays(), 1);
}

TEST_F(AppDelegateTest, InputIsCountedBeforeItClicksAndNotAtAllWhenSwitchedOff) {
    completeOnboardingBefore();
    preferences->setString("mouseProfile", "off");
    auto& app = launch();
    ASSERT_NE(sources.listener(), nullptr);
    const auto before = mark();
    sources.listener()->onInputEvent(InputEvent::keyDown);
    sources.listener()->onInputEvent(InputEvent::mouseDown);
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 1);
    EXPECT_EQ(app.gameStats().sessionClicks(), 1) << "counted although the mouse sound is off";
    EXPECT_EQ(keyPlays(before), 1);
    app.panelDidToggleEnabled(false);
    sources.listener()->onInputEvent(InputEvent::keyDown);
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 1);
}

TEST_F(AppDelegateTest, PressesReachThePanelWhateverTheSwitch) {
    completeOnboardingBefore();
    auto& app = launch();
    ASSERT_TRUE(panel->pressFeedRunning);
    EXPECT_TRUE(panel->pressFeedRunning());
    app.panelDidToggleEnabled(false);
    sources.listener()->onInputEvent(InputEvent::mouseDown);
    sources.listener()->onInputEvent(InputEvent::keyDown);
    EXPECT_EQ(panel->globalPresses, 1);
}

TEST_F(AppDelegateTest, QuitFlushesPendingCountsToDisk) {
    completeOnboardingBefore();
    auto& app = launch();
    for (int i = 0; i < 7; ++i) {
        sources.listener()->onInputEvent(InputEvent::keyDown);
    }
    app.panelDidRequestQuit();
    EXPECT_EQ(terminations, 1);
    app.applicationWillTerminate();
    EXPECT_EQ(preferences->integer("gs_totalKeystrokes"), 7);
    EXPECT_FALSE(app.isListening());
}

TEST_F(AppDelegateTest, NotificationClickTogglesThePanel) {
    launch();
    panel->calls.clear();
    notifications.onActivated();
    EXPECT_TRUE(panel->calls.empty()) << "toggled from the main queue";
    queue.drain();
    EXPECT_EQ(panel->calls, std::vector<std::string>{"toggle"});
}

}  // namespace
}  // namespace quib::test
