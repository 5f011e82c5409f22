#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quib {

// The key whose double press mutes and unmutes the clicks.
enum class ChordKey { scrollLock, pause, rightCtrl, off };

// "scrolllock", "pause", "rightctrl" or "off", exactly.
std::optional<ChordKey> chordKeyFromRawValue(std::string_view text);
std::string_view rawValue(ChordKey key);
// The key's Linux input code (KEY_SCROLLLOCK, KEY_PAUSE, KEY_RIGHTCTRL); 0 for off.
std::uint16_t keyCode(ChordKey key);

// Recognises the mute chord: the chord key pressed twice within 400 ms, with
// no other key pressed between. An auto-repeat (a press of a key that is
// already down) is not a second press, and a held key is no tap, so it calls
// the chord off. The second press toggles; it and its auto-repeats make no
// click, while the first press may. Pure: times come with the events.
class MuteChord {
  public:
    static constexpr double kWindowSeconds = 0.4;

    enum class Press { click, silent, toggle };

    ChordKey key() const { return m_key; }
    void setKey(ChordKey key);

    // A key went down (or auto-repeated) at `seconds` on a monotonic clock.
    Press keyDown(std::uint16_t code, double seconds);
    void keyUp(std::uint16_t code);
    // Forgets what was down: the feed lost events, and a release may be among them.
    void reset();

  private:
    ChordKey m_key = ChordKey::scrollLock;
    bool m_down = false;           // the chord key is held
    double m_lastDownAt = 0;       // its last press or repeat
    bool m_silentUntilUp = false;  // it was the chord's second press
    std::optional<double> m_firstPressAt;
};

}  // namespace quib
