// Quiet when it should be: a call, full screen and chosen applications
// silence the clicks for a while; the mute chord mutes them as the panel does.
#include "app/AppDelegateFixture.h"

namespace quib::test {
namespace {

class QuietTest : public AppDelegateFixture {
  protected:
    AppDelegate& launchListening() {
        completeOnboardingBefore();
        auto& app = launch();
        queue.drain();  // the start-up click
        return app;
    }
    void type() {
        sources.listener()->onInputEvent(InputEvent::keyDown);
        sources.listener()->onInputEvent(InputEvent::mouseDown);
    }
};

TEST_F(QuietTest, ARecordingSilencesClicksButNotCountingUntilItEnds) {
    auto& app = launchListening();
    const auto before = mark();
    recording.set(true);
    EXPECT_EQ(statusItem.muteNote, MuteNote::call);
    type();
    EXPECT_EQ(keyPlays(before) + mousePlays(before), 0);
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 1);
    EXPECT_EQ(app.gameStats().sessionClicks(), 1);
    app.panelDidChangeKeyVolume(0.5F);  // saves every setting
    EXPECT_EQ(preferences->stringValue("keyProfile"), "iPhone Keyboard") << "nothing saved of it";

    recording.set(false);
    EXPECT_EQ(statusItem.muteNote, MuteNote::none);
    type();
    EXPECT_EQ(keyPlays(before), 1);
    EXPECT_EQ(mousePlays(before), 1);
}

TEST_F(QuietTest, AChannelMutedInThePanelSaysMutedOnlyWhenBothAre) {
    auto& app = launchListening();
    app.panelDidSelectKeyProfile(std::nullopt);
    EXPECT_EQ(statusItem.muteNote, MuteNote::none);
    recording.set(true);
    EXPECT_EQ(statusItem.muteNote, MuteNote::call);
    app.panelDidSelectMouseProfile(std::nullopt);
    EXPECT_EQ(statusItem.muteNote, MuteNote::muted) << "the user's mute says more";
}

}  // namespace
}  // namespace quib::test
