#include "helper/HelperRecord.h"

#include <linux/input-event-codes.h>

#include "platform/input/EvdevEvents.h"

namespace quib {

KeyClass helperKeyClassOf(std::uint16_t code) {
    switch (code) {
        case KEY_SPACE:
            return KeyClass::space;
        case KEY_ENTER:
        case KEY_KPENTER:
            return KeyClass::enter;
        case KEY_BACKSPACE:
            return KeyClass::backspace;
        case KEY_TAB:
            return KeyClass::tab;
        case KEY_SCROLLLOCK:
            return KeyClass::scrollLock;
        case KEY_PAUSE:
            return KeyClass::pause;
        case KEY_RIGHTCTRL:
            return KeyClass::rightCtrl;
        default:
            return isModifierKey(code) ? KeyClass::modifier : KeyClass::other;
    }
}

std::optional<HelperRecord> helperRecordOf(const InputEvent& event) {
    switch (event.type) {
        case InputEvent::Type::keyDown:
            return HelperRecord{HelperKind::keyDown, helperKeyClassOf(event.keyCode)};
        case InputEvent::Type::keyUp:
            return HelperRecord{HelperKind::keyUp, helperKeyClassOf(event.keyCode)};
        case InputEvent::Type::mouseDown:
            if (event.keyCode == BTN_LEFT) {
                return HelperRecord{HelperKind::leftPress, KeyClass::none};
            }
            if (event.keyCode == BTN_RIGHT) {
                return HelperRecord{HelperKind::rightPress, KeyClass::none};
            }
            return std::nullopt;
        case InputEvent::Type::feedSuspended:
            return HelperRecord{HelperKind::suspended, KeyClass::none};
    }
    return std::nullopt;
}

namespace {

// The code a class stands for on QUIB's side; 0 for "other".
std::optional<std::uint16_t> representativeCode(KeyClass keyClass) {
    switch (keyClass) {
        case KeyClass::space:
            return KEY_SPACE;
        case KeyClass::enter:
            return KEY_ENTER;
        case KeyClass::backspace:
            return KEY_BACKSPACE;
        case KeyClass::tab:
            return KEY_TAB;
        case KeyClass::modifier:
            return KEY_LEFTSHIFT;
        case KeyClass::scrollLock:
            return KEY_SCROLLLOCK;
        case KeyClass::pause:
            return KEY_PAUSE;
        case KeyClass::rightCtrl:
            return KEY_RIGHTCTRL;
        case KeyClass::other:
            return 0;
        case KeyClass::none:
            break;
    }
    return std::nullopt;
}

}  // namespace

std::optional<InputEvent> inputEventOf(HelperRecord record) {
    switch (record.kind) {
        case HelperKind::leftPress:
        case HelperKind::rightPress:
            return record.keyClass == KeyClass::none ? std::optional(InputEvent::mouseDown)
                                                     : std::nullopt;
        case HelperKind::suspended:
            return record.keyClass == KeyClass::none ? std::optional(InputEvent::feedSuspended)
                                                     : std::nullopt;
        case HelperKind::keyDown:
        case HelperKind::keyUp:
            break;
        default:
            return std::nullopt;
    }
    const auto code = representativeCode(record.keyClass);
    if (!code) {
        return std::nullopt;
    }
    InputEvent event{record.kind == HelperKind::keyDown ? InputEvent::Type::keyDown
                                                        : InputEvent::Type::keyUp};
    event.keyCode = *code;
    event.isModifier = isModifierKey(*code);
    return event;
}

}  // namespace quib
