#pragma once

#include <cstdint>
#include <optional>

#include "platform/input/InputSource.h"

namespace quib {

// What the input helper tells its reader, one fixed-size record per event:
// the kind and, for keys, the key's class. The class says only what a click
// needs to sound right and what the mute chord needs to be recognised; it
// says nothing a key logger could use (no key code, no character, no pointer
// position, no device).
enum class HelperKind : std::uint8_t {
    keyDown = 1,     // a key went down or auto-repeated
    keyUp = 2,       // a key came back up
    leftPress = 3,   // the left mouse button went down
    rightPress = 4,  // the right mouse button went down
    suspended = 5,   // events were lost (SYN_DROPPED) or a device vanished
};

enum class KeyClass : std::uint8_t {
    none = 0,  // not a key record
    space = 1,
    enter = 2,  // either Enter (main block or keypad)
    backspace = 3,
    tab = 4,
    modifier = 5,  // Shift, Ctrl (left), Alt, AltGr, Meta, Caps Lock, Fn
    scrollLock = 6,
    pause = 7,
    rightCtrl = 8,
    other = 9,  // every other key
};

// Two bytes on the wire; a reader takes them in whole records only.
struct HelperRecord {
    HelperKind kind = HelperKind::suspended;
    KeyClass keyClass = KeyClass::none;

    bool operator==(const HelperRecord&) const = default;
};
static_assert(sizeof(HelperRecord) == 2);

// The class of an evdev key code.
KeyClass helperKeyClassOf(std::uint16_t code);

// The record an event of the evdev backend becomes; none for events the
// helper does not pass on (buttons other than left and right).
std::optional<HelperRecord> helperRecordOf(const InputEvent& event);

// What the reader makes of a record: the event QUIB would have had from the
// evdev backend for a key of that class. Space, Enter, Backspace, Tab and the
// chord keys carry their own code; a modifier carries left Shift's; any other
// key carries no code (0). None for a malformed record.
std::optional<InputEvent> inputEventOf(HelperRecord record);

}  // namespace quib
