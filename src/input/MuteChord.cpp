#include "input/MuteChord.h"

#include <linux/input-event-codes.h>

namespace quib {

namespace {

// Longer than any auto-repeat delay: a "repeat" after this long means the
// release was lost (a feed that dropped events), and it is a new press.
constexpr double kLostReleaseSeconds = 1.5;

}  // namespace

std::optional<ChordKey> chordKeyFromRawValue(std::string_view text) {
    for (ChordKey key :
         {ChordKey::scrollLock, ChordKey::pause, ChordKey::rightCtrl, ChordKey::off}) {
        if (rawValue(key) == text) {
            return key;
        }
    }
    return std::nullopt;
}

std::string_view rawValue(ChordKey key) {
    switch (key) {
        case ChordKey::scrollLock:
            return "scrolllock";
        case ChordKey::pause:
            return "pause";
        case ChordKey::rightCtrl:
            return "rightctrl";
        case ChordKey::off:
            break;
    }
    return "off";
}

std::uint16_t keyCode(ChordKey key) {
    switch (key) {
        case ChordKey::scrollLock:
            return KEY_SCROLLLOCK;
        case ChordKey::pause:
            return KEY_PAUSE;
        case ChordKey::rightCtrl:
            return KEY_RIGHTCTRL;
        case ChordKey::off:
            break;
    }
    return 0;
}

void MuteChord::setKey(ChordKey key) {
    m_key = key;
    reset();
}

void MuteChord::reset() {
    m_down = false;
    m_silentUntilUp = false;
    m_firstPressAt.reset();
}

MuteChord::Press MuteChord::keyDown(std::uint16_t code, double seconds) {
    if (m_key == ChordKey::off) {
        return Press::click;
    }
    if (code != keyCode(m_key)) {
        m_firstPressAt.reset();
        return Press::click;
    }
    if (m_down && seconds - m_lastDownAt < kLostReleaseSeconds) {
        m_lastDownAt = seconds;
        m_firstPressAt.reset();  // held: not a tap
        return m_silentUntilUp ? Press::silent : Press::click;
    }
    m_down = true;
    m_lastDownAt = seconds;
    if (m_firstPressAt && seconds - *m_firstPressAt <= kWindowSeconds) {
        m_firstPressAt.reset();
        m_silentUntilUp = true;
        return Press::toggle;
    }
    m_firstPressAt = seconds;
    m_silentUntilUp = false;
    return Press::click;
}

void MuteChord::keyUp(std::uint16_t code) {
    if (code == keyCode(m_key)) {
        m_down = false;
        m_silentUntilUp = false;
    }
}

}  // namespace quib
