#include "platform/input/EvdevEvents.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/input/InputTestSupport.h"

namespace quib {
namespace {

using test::record;

std::optional<InputEvent> classify(unsigned short code, int value) {
    return classifyEvdevEvent(record(EV_KEY, code, value));
}

InputEvent key(InputEvent::Type type, std::uint16_t code, bool repeat, bool modifier) {
    InputEvent event{type, code};
    event.isRepeat = repeat;
    event.isModifier = modifier;
    return event;
}

TEST(EvdevEvents, KeysCarryTheirCodeWhetherPressedRepeatedOrReleased) {
    using Type = InputEvent::Type;
    struct Case {
        unsigned short code;
        int value;
        InputEvent expected;
    };
    const Case cases[] = {
        {KEY_A, 1, key(Type::keyDown, KEY_A, false, false)},
        {KEY_A, 2, key(Type::keyDown, KEY_A, true, false)},
        {KEY_A, 0, key(Type::keyUp, KEY_A, false, false)},
        {KEY_NUMLOCK, 1, key(Type::keyDown, KEY_NUMLOCK, false, false)},
        {KEY_VOLUMEUP, 1, key(Type::keyDown, KEY_VOLUMEUP, false, false)},  // above the buttons
        {KEY_RIGHTCTRL, 1, key(Type::keyDown, KEY_RIGHTCTRL, false, true)},
        {KEY_LEFTSHIFT, 2, key(Type::keyDown, KEY_LEFTSHIFT, true, true)},
        {KEY_CAPSLOCK, 0, key(Type::keyUp, KEY_CAPSLOCK, false, true)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(classify(c.code, c.value), c.expected) << c.code << " " << c.value;
    }
    EXPECT_EQ(classify(KEY_A, 3), std::nullopt);
}

TEST(EvdevEvents, EveryModifierKeyIsMarked) {
    for (unsigned code : {KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTALT,
                          KEY_RIGHTALT, KEY_LEFTMETA, KEY_RIGHTMETA, KEY_CAPSLOCK, KEY_FN}) {
        const auto event = classify(static_cast<unsigned short>(code), 1);
        ASSERT_TRUE(event) << code;
        EXPECT_TRUE(event->isModifier) << code;
    }
}

TEST(EvdevEvents, OnlyLeftAndRightButtonPressesAreMouseDownsThatNameTheirButton) {
    InputEvent left = InputEvent::mouseDown;
    left.keyCode = BTN_LEFT;
    InputEvent right = InputEvent::mouseDown;
    right.keyCode = BTN_RIGHT;
    EXPECT_EQ(classify(BTN_LEFT, 1), left);
    EXPECT_EQ(classify(BTN_RIGHT, 1), right);
    EXPECT_EQ(classify(BTN_LEFT, 0), std::nullopt);
    EXPECT_EQ(classify(BTN_LEFT, 2), std::nullopt);
    for (unsigned code : {BTN_MIDDLE, BTN_SIDE, BTN_EXTRA, BTN_TOUCH, BTN_TOOL_FINGER, BTN_SOUTH,
                          BTN_DPAD_UP, BTN_TRIGGER_HAPPY1}) {
        EXPECT_EQ(classify(static_cast<unsigned short>(code), 1), std::nullopt) << code;
    }
}

TEST(EvdevEvents, MotionScrollAndSyncRecordsProduceNothing) {
    EXPECT_EQ(classifyEvdevEvent(record(EV_REL, REL_WHEEL, 1)), std::nullopt);
    EXPECT_EQ(classifyEvdevEvent(record(EV_REL, REL_X, 5)), std::nullopt);
    EXPECT_EQ(classifyEvdevEvent(record(EV_MSC, MSC_SCAN, KEY_A)), std::nullopt);
    EXPECT_EQ(classifyEvdevEvent(record(EV_SYN, SYN_REPORT, 0)), std::nullopt);
}

TEST(EvdevStreamFilter, RecordsBetweenSynDroppedAndTheNextReportAreIgnoredAndReportedOnce) {
    EvdevStreamFilter filter;
    std::vector<std::optional<InputEvent>> out;
    for (const input_event& event :
         {record(EV_KEY, KEY_A, 1), record(EV_SYN, SYN_DROPPED, 0), record(EV_KEY, KEY_B, 1),
          record(EV_SYN, SYN_DROPPED, 0), record(EV_KEY, BTN_LEFT, 1),
          record(EV_SYN, SYN_REPORT, 0), record(EV_KEY, KEY_C, 1), record(EV_SYN, SYN_REPORT, 0)}) {
        out.push_back(filter.filter(event));
    }
    const InputEvent a = key(InputEvent::Type::keyDown, KEY_A, false, false);
    const InputEvent c = key(InputEvent::Type::keyDown, KEY_C, false, false);
    const std::vector<std::optional<InputEvent>> expected = {
        a, std::nullopt, std::nullopt, std::nullopt, std::nullopt, InputEvent::feedSuspended,
        c, std::nullopt};
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace quib
