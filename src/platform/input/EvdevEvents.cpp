#include "platform/input/EvdevEvents.h"

namespace quib {

namespace {

// Codes from BTN_MISC up to KEY_OK, the D-pad buttons and the "trigger happy"
// range are buttons (mouse, joystick, touch tools), not keys.
bool isButton(unsigned code) {
    return (code >= BTN_MISC && code < KEY_OK) || (code >= BTN_DPAD_UP && code <= BTN_DPAD_RIGHT) ||
           code >= BTN_TRIGGER_HAPPY;
}

}  // namespace

bool isModifierKey(unsigned code) {
    switch (code) {
        case KEY_LEFTSHIFT:
        case KEY_RIGHTSHIFT:
        case KEY_LEFTCTRL:
        case KEY_RIGHTCTRL:
        case KEY_LEFTALT:
        case KEY_RIGHTALT:  // AltGr on most layouts
        case KEY_LEFTMETA:
        case KEY_RIGHTMETA:
        case KEY_CAPSLOCK:
        case KEY_FN:
            return true;
        default:
            return false;
    }
}

std::optional<InputEvent> classifyEvdevEvent(const input_event& event) {
    if (event.type != EV_KEY) {
        return std::nullopt;
    }
    if (event.code == BTN_LEFT || event.code == BTN_RIGHT) {
        if (event.value != 1) {
            return std::nullopt;
        }
        InputEvent press = InputEvent::mouseDown;
        press.keyCode = event.code;  // which button, for the input helper
        return press;
    }
    if (event.value < 0 || event.value > 2 || isButton(event.code)) {
        return std::nullopt;
    }
    InputEvent key{event.value == 0 ? InputEvent::Type::keyUp : InputEvent::Type::keyDown};
    key.keyCode = event.code;
    key.isRepeat = event.value == 2;
    key.isModifier = isModifierKey(event.code);
    return key;
}

std::optional<InputEvent> EvdevStreamFilter::filter(const input_event& event) {
    if (event.type == EV_SYN && event.code == SYN_DROPPED) {
        m_dropping = true;
        return std::nullopt;
    }
    if (m_dropping) {
        if (event.type == EV_SYN && event.code == SYN_REPORT) {
            m_dropping = false;
            return InputEvent::feedSuspended;
        }
        return std::nullopt;
    }
    return classifyEvdevEvent(event);
}

}  // namespace quib
