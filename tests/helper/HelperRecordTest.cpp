#include "helper/HelperRecord.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>
#include <utility>

#include "platform/input/EvdevEvents.h"

namespace quib {
namespace {

input_event keyRecord(std::uint16_t code, int value) {
    input_event event{};
    event.type = EV_KEY;
    event.code = code;
    event.value = value;
    return event;
}

TEST(HelperClasses, EveryKeyFallsInItsClass) {
    const std::pair<std::uint16_t, KeyClass> table[] = {
        {KEY_SPACE, KeyClass::space},
        {KEY_ENTER, KeyClass::enter},
        {KEY_KPENTER, KeyClass::enter},
        {KEY_BACKSPACE, KeyClass::backspace},
        {KEY_TAB, KeyClass::tab},
        {KEY_LEFTSHIFT, KeyClass::modifier},
        {KEY_RIGHTSHIFT, KeyClass::modifier},
        {KEY_LEFTCTRL, KeyClass::modifier},
        {KEY_LEFTALT, KeyClass::modifier},
        {KEY_RIGHTALT, KeyClass::modifier},
        {KEY_LEFTMETA, KeyClass::modifier},
        {KEY_RIGHTMETA, KeyClass::modifier},
        {KEY_CAPSLOCK, KeyClass::modifier},
        {KEY_FN, KeyClass::modifier},
        {KEY_SCROLLLOCK, KeyClass::scrollLock},
        {KEY_PAUSE, KeyClass::pause},
        {KEY_RIGHTCTRL, KeyClass::rightCtrl},
        {KEY_A, KeyClass::other},
        {KEY_Q, KeyClass::other},
        {KEY_1, KeyClass::other},
        {KEY_ESC, KeyClass::other},
        {KEY_F1, KeyClass::other},
        {KEY_UP, KeyClass::other},
        {KEY_KP5, KeyClass::other},
        {KEY_DELETE, KeyClass::other},
        {KEY_NUMLOCK, KeyClass::other},
        {KEY_VOLUMEUP, KeyClass::other},
        {KEY_COMPOSE, KeyClass::other},
    };
    for (const auto& [code, keyClass] : table) {
        EXPECT_EQ(helperKeyClassOf(code), keyClass) << code;
    }
}

// The wire carries at most nine key classes and five kinds: whatever the
// code, a key record is one of those and nothing of the code survives.
TEST(HelperClasses, RecordsOfAllKeyCodesHoldOnlyKindAndClass) {
    std::set<std::pair<int, int>> seen;
    for (unsigned code = 1; code < KEY_CNT; ++code) {
        for (int value : {0, 1, 2}) {
            const auto event =
                classifyEvdevEvent(keyRecord(static_cast<std::uint16_t>(code), value));
            if (!event) {
                continue;
            }
            const auto record = helperRecordOf(*event);
            if (!record) {
                continue;
            }
            seen.insert({static_cast<int>(record->kind), static_cast<int>(record->keyClass)});
        }
    }
    // Nine classes down and up, and the two presses.
    EXPECT_EQ(seen.size(), 9U * 2 + 2);
    EXPECT_TRUE(seen.contains({static_cast<int>(HelperKind::leftPress), 0}));
    EXPECT_TRUE(seen.contains({static_cast<int>(HelperKind::rightPress), 0}));
    EXPECT_FALSE(helperRecordOf(InputEvent::mouseDown));  // a button it cannot tell
}

TEST(HelperClasses, ReaderGetsTheEventTheEvdevBackendWouldHaveGivenForTheClass) {
    struct Case {
        HelperRecord record;
        std::optional<InputEvent> expected;
    };
    const auto key = [](InputEvent::Type type, std::uint16_t code, bool modifier) {
        InputEvent event{type};
        event.keyCode = code;
        event.isModifier = modifier;
        return std::optional(event);
    };
    using T = InputEvent::Type;
    const Case cases[] = {
        {{HelperKind::keyDown, KeyClass::space}, key(T::keyDown, KEY_SPACE, false)},
        {{HelperKind::keyUp, KeyClass::enter}, key(T::keyUp, KEY_ENTER, false)},
        {{HelperKind::keyDown, KeyClass::backspace}, key(T::keyDown, KEY_BACKSPACE, false)},
        {{HelperKind::keyDown, KeyClass::tab}, key(T::keyDown, KEY_TAB, false)},
        {{HelperKind::keyDown, KeyClass::modifier}, key(T::keyDown, KEY_LEFTSHIFT, true)},
        {{HelperKind::keyDown, KeyClass::scrollLock}, key(T::keyDown, KEY_SCROLLLOCK, false)},
        {{HelperKind::keyUp, KeyClass::pause}, key(T::keyUp, KEY_PAUSE, false)},
        {{HelperKind::keyDown, KeyClass::rightCtrl}, key(T::keyDown, KEY_RIGHTCTRL, true)},
        {{HelperKind::keyDown, KeyClass::other}, key(T::keyDown, 0, false)},
        {{HelperKind::leftPress, KeyClass::none}, InputEvent::mouseDown},
        {{HelperKind::rightPress, KeyClass::none}, InputEvent::mouseDown},
        {{HelperKind::suspended, KeyClass::none}, InputEvent::feedSuspended},
        // Malformed: a key without a class, a press with one, unknown bytes.
        {{HelperKind::keyDown, KeyClass::none}, std::nullopt},
        {{HelperKind::leftPress, KeyClass::space}, std::nullopt},
        {{static_cast<HelperKind>(0), KeyClass::none}, std::nullopt},
        {{static_cast<HelperKind>(6), KeyClass::none}, std::nullopt},
        {{HelperKind::keyUp, static_cast<KeyClass>(10)}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(inputEventOf(c.record), c.expected)
            << int(c.record.kind) << " " << int(c.record.keyClass);
    }
}

// The round trip keeps the class: what the reader gets is classified as the
// helper classified the real key, so the chord keys and modifiers work as
// with the evdev backend.
TEST(HelperClasses, RoundTripKeepsTheClassOfEveryKey) {
    for (unsigned code = 1; code < 256; ++code) {
        const auto event = classifyEvdevEvent(keyRecord(static_cast<std::uint16_t>(code), 1));
        if (!event || event->type != InputEvent::Type::keyDown) {
            continue;
        }
        const auto back = inputEventOf(*helperRecordOf(*event));
        ASSERT_TRUE(back) << code;
        EXPECT_EQ(helperKeyClassOf(back->keyCode), helperKeyClassOf(event->keyCode)) << code;
        EXPECT_EQ(back->isModifier, event->isModifier) << code;
    }
}

}  // namespace
}  // namespace quib
