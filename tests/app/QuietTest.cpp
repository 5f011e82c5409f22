// Quiet when it should be: a call, full screen and chosen applications
// silence the clicks for a while; the mute chord mutes them as the panel does.
#include <linux/input-event-codes.h>

#include "app/AppDelegateFixture.h"
#include "options/Options.h"

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
    // A tap of a key: down, then up, then `after` seconds on the clock.
    void tap(std::uint16_t code, double after = 0.1) {
        sources.listener()->onInputEvent({InputEvent::Type::keyDown, code});
        sources.listener()->onInputEvent({InputEvent::Type::keyUp, code});
        clock.advance(after);
    }
    void set(std::string_view name, std::string_view value) {
        std::string error;
        const OptionDefinition& definition = *findOption(name);
        writeOption(*preferences, definition, *parseOptionValue(definition, value, error));
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

TEST_F(QuietTest, TheChordMutesBothChannelsAsThePanelDoesAndBringsThemBack) {
    auto& app = launchListening();
    app.panelDidSelectMouseProfile(std::nullopt);  // the user's own choice: the mouse off
    const auto before = mark();
    tap(KEY_SCROLLLOCK);
    tap(KEY_SCROLLLOCK);
    queue.drain();  // the store and the notification follow the key, from the main queue
    EXPECT_EQ(plays(before), 1) << "the first press may click, the chord's second may not";
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 2) << "both presses are counted";
    EXPECT_FALSE(app.soundPlayer().keyEnabled());
    EXPECT_EQ(panel->keyProfile, std::nullopt) << "the panel's speaker shows it";
    EXPECT_EQ(preferences->stringValue("keyProfile"), "off");
    EXPECT_EQ(statusItem.muteNote, MuteNote::muted);
    ASSERT_EQ(notifications.posted.size(), 1U);
    EXPECT_EQ(notifications.posted[0].identifier, "mute");
    EXPECT_EQ(notifications.silent, 1);
    type();
    EXPECT_EQ(app.gameStats().sessionKeystrokes(), 3) << "counting goes on";

    clock.advance(1.0);
    const auto muted = mark();
    tap(KEY_SCROLLLOCK);
    tap(KEY_SCROLLLOCK);
    queue.drain();
    EXPECT_EQ(plays(muted), 0) << "neither press of the unmuting chord clicks";
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::iphone);
    EXPECT_EQ(app.soundPlayer().mouseProfile(), std::nullopt) << "as it was before the chord";
    EXPECT_EQ(statusItem.muteNote, MuteNote::none);
    EXPECT_EQ(notifications.posted.size(), 2U);
    EXPECT_EQ(notifications.posted[1].identifier, "mute") << "replaces the first";
}

TEST_F(QuietTest, TheChordKeyIsAnOptionAndOffRecognisesNoChord) {
    set(option::muteChord, "pause");
    auto& app = launchListening();
    tap(KEY_SCROLLLOCK);
    tap(KEY_SCROLLLOCK);
    EXPECT_TRUE(app.soundPlayer().keyEnabled());
    tap(KEY_PAUSE);
    tap(KEY_PAUSE);
    EXPECT_FALSE(app.soundPlayer().keyEnabled());

    set(option::muteChord, "off");
    app.reloadSettings();  // as `quib set` tells a running QUIB
    clock.advance(1.0);
    tap(KEY_PAUSE);
    tap(KEY_PAUSE);
    EXPECT_FALSE(app.soundPlayer().keyEnabled()) << "off: nothing toggles";
}

TEST_F(QuietTest, FullScreenAndChosenApplicationsSilenceOnlyWhenAskedFor) {
    set(option::muteDuringCalls, "off");
    auto& app = launchListening();
    recording.set(true);
    activeWindow.set({true, {"mpv", "mpv"}});
    EXPECT_EQ(statusItem.muteNote, MuteNote::none) << "both off";
    EXPECT_FALSE(app.soundPlayer().isSilenced());

    set(option::muteInFullscreen, "on");
    set(option::muteInApps, "Slack, FIREFOX");
    app.reloadSettings();
    EXPECT_EQ(statusItem.muteNote, MuteNote::fullScreen);
    activeWindow.set({false, {"Navigator", "firefox"}});
    EXPECT_EQ(statusItem.muteNote, MuteNote::application) << "matched whatever the case";
    activeWindow.set({false, {"code", "Code"}});
    EXPECT_EQ(statusItem.muteNote, MuteNote::none);
    EXPECT_FALSE(app.soundPlayer().isSilenced());
}

}  // namespace
}  // namespace quib::test
