#include "input/InputCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/InputFakes.h"

namespace quib {
namespace {

// Records the calls of the store and the player in one timeline, so the order
// of counting and sounding is visible.
struct Timeline final : InputCounter, ClickSounds {
    std::vector<std::string> calls;
    bool keySound = true;
    bool mouseSound = true;
    void recordKeystroke() override { calls.emplace_back("key"); }
    void recordClick() override { calls.emplace_back("click"); }
    bool keyEnabled() const override { return keySound; }
    void playKeyPress(std::uint16_t code) override {
        calls.emplace_back(code == 0 ? "keySound" : "press " + std::to_string(code));
    }
    void playKeyRelease(std::uint16_t code) override {
        calls.emplace_back("release " + std::to_string(code));
    }
    bool mouseEnabled() const override { return mouseSound; }
    void playMouseClick() override { calls.emplace_back("mouseSound"); }
};

class InputCaptureTest : public ::testing::Test {
  protected:
    test::FakeInputSource& source() { return *m_registry.live.at(0); }

    Timeline m_timeline;
    test::InputSourceRegistry m_registry;
    InputCapture m_capture{m_timeline, m_timeline, m_registry.factory()};
};

TEST_F(InputCaptureTest, CountsBeforeSoundingForKeysAndClicks) {
    m_capture.startEventTap();
    source().send(InputEvent::keyDown);
    source().send(InputEvent::mouseDown);
    EXPECT_EQ(m_timeline.calls,
              (std::vector<std::string>{"key", "keySound", "click", "mouseSound"}));
}

TEST_F(InputCaptureTest, CountsWithoutSoundWhenAChannelIsOff) {
    m_timeline.keySound = false;
    m_timeline.mouseSound = false;
    m_capture.startEventTap();
    source().send(InputEvent::keyDown);
    source().send(InputEvent::keyDown);
    source().send(InputEvent::mouseDown);
    EXPECT_EQ(m_timeline.calls, (std::vector<std::string>{"key", "key", "click"}));
}

TEST_F(InputCaptureTest, SwitchOffPassesEverythingThroughButStillReEnablesTheFeed) {
    m_capture.startEventTap();
    m_capture.setEnabled(false);
    source().send(InputEvent::keyDown);
    source().send(InputEvent::mouseDown);
    source().send(InputEvent::feedSuspended);
    EXPECT_TRUE(m_timeline.calls.empty());
    EXPECT_EQ(source().reEnables, 1);
    EXPECT_TRUE(m_capture.hasEventTap());
    m_capture.setEnabled(true);  // No restart needed.
    source().send(InputEvent::keyDown);
    EXPECT_EQ(m_timeline.calls, (std::vector<std::string>{"key", "keySound"}));
    EXPECT_EQ(m_registry.created, 1);
}

TEST_F(InputCaptureTest, PauseSilencesLikeTheSwitchWithoutTouchingIt) {
    struct Case {
        bool enabled;
        bool paused;
        bool heard;
    };
    for (const Case c : {Case{true, false, true}, Case{true, true, false}, Case{false, true, false},
                         Case{false, false, false}}) {
        SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << " paused " << c.paused);
        m_timeline.calls.clear();
        m_capture.startEventTap();
        m_capture.setEnabled(c.enabled);
        m_capture.setPaused(c.paused);
        source().send(InputEvent::keyDown);
        source().send(InputEvent::mouseDown);
        source().send(InputEvent::feedSuspended);
        EXPECT_EQ(m_timeline.calls.size(), c.heard ? 4u : 0u);
        EXPECT_EQ(m_capture.isEnabled(), c.enabled) << "the pause never writes the switch";
        EXPECT_EQ(source().reEnables, 1) << "a paused feed is still kept alive";
    }
}

TEST_F(InputCaptureTest, EveryMousePressIsReportedAfterItsClickEvenWhenSwitchedOff) {
    m_capture.onMouseDown = [this] { m_timeline.calls.emplace_back("press"); };
    m_capture.startEventTap();
    source().send(InputEvent::mouseDown);
    source().send(InputEvent::keyDown);
    m_capture.setEnabled(false);
    source().send(InputEvent::mouseDown);
    EXPECT_EQ(m_timeline.calls, (std::vector<std::string>{"click", "mouseSound", "press", "key",
                                                          "keySound", "press"}));
}

InputEvent key(InputEvent::Type type, std::uint16_t code, bool repeat = false,
               bool modifier = false) {
    InputEvent event{type, code};
    event.isRepeat = repeat;
    event.isModifier = modifier;
    return event;
}

TEST_F(InputCaptureTest, KeyCodesReachThePlayerAndReleasesSoundWithoutBeingCounted) {
    using Type = InputEvent::Type;
    std::vector<std::string> seen;
    m_capture.onKeyEvent = [&](const InputEvent& event) {
        seen.push_back(std::to_string(event.keyCode) + (event.isRepeat ? "r" : "") +
                       (event.type == Type::keyUp ? "u" : "d"));
        return true;
    };
    m_capture.startEventTap();
    source().send(key(Type::keyDown, 30));
    source().send(key(Type::keyDown, 30, true));
    source().send(key(Type::keyUp, 30));
    source().send(key(Type::keyDown, 97, false, true));  // right Ctrl alone
    source().send(key(Type::keyUp, 97, false, true));
    EXPECT_EQ(m_timeline.calls,
              (std::vector<std::string>{"key", "press 30", "key", "press 30", "release 30"}));
    EXPECT_EQ(seen, (std::vector<std::string>{"30d", "30rd", "30u", "97d", "97u"}))
        << "listeners see every key, modifiers included";

    m_timeline.calls.clear();
    m_timeline.keySound = false;
    source().send(key(Type::keyDown, 31));
    source().send(key(Type::keyUp, 31));
    m_capture.setEnabled(false);
    source().send(key(Type::keyDown, 32));
    EXPECT_EQ(m_timeline.calls, (std::vector<std::string>{"key"}));
    EXPECT_EQ(seen.size(), 8u) << "also while switched off";
}

TEST_F(InputCaptureTest, AKeyListenerCanSilenceAKeyThatIsStillCounted) {
    using Type = InputEvent::Type;
    m_capture.onKeyEvent = [](const InputEvent& event) { return event.keyCode != 70; };
    m_capture.startEventTap();
    source().send(key(Type::keyDown, 70));
    source().send(key(Type::keyUp, 70));
    source().send(key(Type::keyDown, 30));
    source().send(InputEvent::mouseDown);
    EXPECT_EQ(m_timeline.calls,
              (std::vector<std::string>{"key", "key", "press 30", "click", "mouseSound"}));
}

TEST_F(InputCaptureTest, StartingTwiceLeavesExactlyOneRunningSource) {
    m_capture.startEventTap();
    m_capture.startEventTap();
    EXPECT_EQ(m_registry.created, 2);
    ASSERT_EQ(m_registry.live.size(), 1u);
    EXPECT_TRUE(source().isRunning());
}

TEST_F(InputCaptureTest, StopWithNothingHeldDoesNothingAndStopForgetsTheSource) {
    m_capture.stopEventTap();
    EXPECT_FALSE(m_capture.hasEventTap());
    m_capture.startEventTap();
    m_capture.stopEventTap();
    EXPECT_TRUE(m_registry.live.empty());
    EXPECT_FALSE(m_capture.hasEventTap());
}

TEST_F(InputCaptureTest, FailedStartHoldsNoSourceAndReEnableTriesAFreshOne) {
    m_registry.startSucceeds = false;
    testing::internal::CaptureStderr();
    m_capture.startEventTap();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[QUIB] Failed to start input capture\n");
    EXPECT_FALSE(m_capture.hasEventTap());
    EXPECT_TRUE(m_registry.live.empty());
    m_registry.startSucceeds = true;
    m_capture.reEnableTap();
    EXPECT_TRUE(m_capture.hasEventTap());
    EXPECT_EQ(m_registry.created, 2);
}

TEST_F(InputCaptureTest, ReEnableKeepsAHeldSource) {
    m_capture.startEventTap();
    m_capture.reEnableTap();
    EXPECT_EQ(m_registry.created, 1);
    EXPECT_EQ(source().reEnables, 1);
}

TEST_F(InputCaptureTest, ASourceThatCouldNotBeReEnabledCountsAsNoneUntilRestarted) {
    m_capture.startEventTap();
    m_registry.reEnableSucceeds = false;
    source().send(InputEvent::feedSuspended);
    EXPECT_FALSE(m_capture.hasEventTap());
    m_capture.startEventTap();
    EXPECT_TRUE(m_capture.hasEventTap());
}

TEST_F(InputCaptureTest, DestroyingTheCaptureStopsItsSource) {
    {
        Timeline timeline;
        InputCapture capture{timeline, timeline, m_registry.factory()};
        capture.startEventTap();
        EXPECT_EQ(m_registry.live.size(), 1u);
    }
    EXPECT_TRUE(m_registry.live.empty());
}

}  // namespace
}  // namespace quib
