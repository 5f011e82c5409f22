// The controller with the real reward and onboarding windows: a coin becomes
// the current sound through the reveal, and closing a window any way keeps
// QUIB hearing.
#include <QtTest/QTest>

#include "app/AppDelegateFixture.h"
#include "panel/FlatViews.h"
#include "panel/OnboardingWindow.h"
#include "reward/FakeStepTimer.h"
#include "reward/RewardSpinner.h"
#include "support/TestApplication.h"

namespace quib::test {
namespace {

using namespace std::chrono_literals;

class WindowsFlowTest : public AppDelegateFixture {
  protected:
    void SetUp() override {
        application();  // the widgets' application, before the fixture would make a plainer one
        AppDelegateFixture::SetUp();
        intervals = {5ms, 5ms};
        makeSpinner = [this] {
            auto timer = std::make_unique<FakeStepTimer>();
            reelTimer = timer.get();
            auto made = std::make_unique<RewardSpinner>(random, std::move(timer));
            reward = made.get();
            return made;
        };
        makeOnboarding = [this] {
            auto made = std::make_unique<OnboardingWindow>(permission, "file:///guide.html",
                                                           std::filesystem::path(),
                                                           OnboardingWindow::Intervals{5ms, 5ms});
            welcome = made.get();
            return made;
        };
    }

    std::int64_t countedKeys() const { return delegate->gameStats().sessionKeystrokes(); }

    FakeStepTimer* reelTimer = nullptr;
    RewardSpinner* reward = nullptr;
    OnboardingWindow* welcome = nullptr;
};

TEST_F(WindowsFlowTest, ACoinBecomesTheCurrentKeySoundThroughTheRevealAndStaysAfterARestart) {
    completeOnboardingBefore();
    preferences->setInteger("gs_coins", 1);
    auto& app = launch();
    ASSERT_TRUE(app.isListening());
    random = ScriptedRandom({0, 3});  // a keyboard profile: "Haptic"
    app.panelDidRequestClaimReward();
    ASSERT_NE(reward, nullptr);
    ASSERT_NE(reward->window(), nullptr);
    EXPECT_TRUE(reward->window()->isVisible());
    EXPECT_EQ(preferences->integer("gs_coins"), 0);
    EXPECT_TRUE(app.gameStats().isKeyProfileUnlocked(SoundProfile::haptic));

    sources.listener()->onInputEvent(InputEvent::keyDown);
    EXPECT_EQ(countedKeys(), 0) << "nothing is counted while the reel runs";
    const auto before = mark();
    while (reelTimer->fire()) {
    }
    ASSERT_TRUE(reward->isLanded());
    EXPECT_GE(audio.plays(), reward->reel()->spinCount()) << "a tick per step";
    EXPECT_EQ(keyPlays(before), 0) << "the ticks are not the user's key sound";

    QTest::mouseClick(reward->window()->findChild<FlatButton*>("applyButton"), Qt::LeftButton);
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::haptic);
    EXPECT_EQ(preferences->stringValue("keyProfile"), "Haptic");
    EXPECT_EQ(preferences->boolValue("enabled"), true);
    queue.drain();
    EXPECT_FALSE(app.isShowingReward());
    sources.listener()->onInputEvent(InputEvent::keyDown);
    EXPECT_EQ(countedKeys(), 1) << "typing counts again";

    delegate.reset();
    queue.drain();
    auto& again = launch();
    EXPECT_TRUE(again.isEnabled());
    EXPECT_EQ(again.soundPlayer().keyProfile(), SoundProfile::haptic);
}

TEST_F(WindowsFlowTest, QuittingWithTheRewardWindowUpClosesItAndKeepsTheSwitch) {
    completeOnboardingBefore();
    preferences->setInteger("gs_coins", 1);
    auto& app = launch();
    app.panelDidRequestClaimReward();
    ASSERT_NE(reward, nullptr);
    QPointer<QWidget> window = reward->window();
    app.applicationWillTerminate();
    EXPECT_FALSE(app.isShowingReward());
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(app.isEnabled());
    EXPECT_NE(preferences->boolValue("enabled"), false) << "never stored as off";
}

TEST_F(WindowsFlowTest, ClosingTheOnboardingWindowStillStartsListeningOnceAccessComes) {
    permission.trusted = false;
    auto& app = launch();
    ASSERT_NE(welcome, nullptr);
    ASSERT_NE(welcome->window(), nullptr);
    welcome->window()->close();  // the window manager's close button
    EXPECT_EQ(preferences->boolValue("onboardingComplete"), true);
    EXPECT_FALSE(app.isListening());
    EXPECT_FALSE(statusItem.dimmed) << "waiting for access leaves the icon as it was";
    queue.drain();
    EXPECT_FALSE(app.isOnboarding());
    permission.trusted = true;
    EXPECT_TRUE(waitFor([&app] { return app.isListening(); })) << "the access poll runs";
}

}  // namespace
}  // namespace quib::test
