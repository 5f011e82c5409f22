#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/input/InputSource.h"

namespace quib {

// What input capture needs of the statistics store: one call per counted press.
class InputCounter {
  public:
    virtual ~InputCounter() = default;
    virtual void recordKeystroke() = 0;
    virtual void recordClick() = 0;
};

// What input capture needs of the click player. The key's code comes along
// (its own sound, its place in the stereo field); a key coming back up may
// have a sound too.
class ClickSounds {
  public:
    virtual ~ClickSounds() = default;
    virtual bool keyEnabled() const = 0;
    virtual void playKeyPress(std::uint16_t keyCode) = 0;
    virtual void playKeyRelease(std::uint16_t keyCode) = 0;
    virtual bool mouseEnabled() const = 0;
    virtual void playMouseClick() = 0;
};

// Creates a stopped input source; called on every (re)start of the capture.
using InputSourceFactory = std::function<std::unique_ptr<InputSource>()>;

// Holds the input source ("event tap") and turns each key-down or mouse-down
// into a count and, when that sound is on, a click; a key-up makes the key's
// release sound and is not counted. Modifier keys alone are neither counted
// nor sounded. Counting comes first and does not depend on the sound.
// Everything runs on the main thread.
class InputCapture final : public InputListener {
  public:
    InputCapture(InputCounter& counter, ClickSounds& sounds, InputSourceFactory factory);
    ~InputCapture() override;
    InputCapture(const InputCapture&) = delete;
    InputCapture& operator=(const InputCapture&) = delete;

    // The master switch. While off, events are neither counted nor sounded, but
    // the source keeps running and a suspended feed is still re-enabled.
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    // A pause the user did not choose (the screen is locked): events are
    // neither counted nor sounded, as when switched off, but the switch keeps
    // its value, so that nothing of the pause is ever saved as the user's.
    bool isPaused() const { return m_paused; }
    void setPaused(bool paused) { m_paused = paused; }

    // Replaces any held source with a new, started one; logs and holds none when
    // the source cannot start.
    void startEventTap();
    // Stops and forgets the held source; nothing happens when none is held.
    void stopEventTap();
    // Re-enables the held source, or starts one when none is held.
    void reEnableTap();
    // Whether a running source is held. A source that could not be re-enabled
    // (a lost X server) counts as none, so the watchdog starts a fresh one.
    bool hasEventTap() const;

    // The source's callback: allocates nothing and logs nothing.
    void onInputEvent(InputEvent event) override;

    // Every left or right press the source reports, after its click and
    // whether or not the switch is on (the panel closes on presses outside it).
    std::function<void()> onMouseDown;
    // Every key event the source reports (presses, auto-repeats, releases,
    // modifier keys included), before it is counted or sounded and whether or
    // not the switch is on: for listeners that follow chords of keys. It must
    // be as cheap as the rest of the input path and keep the code to itself.
    // It returns whether the key may sound: false keeps this press or release
    // silent (a chord's own press), and the press is counted all the same.
    std::function<bool(const InputEvent&)> onKeyEvent;

  private:
    void countAndSound(const InputEvent& event, bool maySound);

    InputCounter& m_counter;
    ClickSounds& m_sounds;
    InputSourceFactory m_factory;
    std::unique_ptr<InputSource> m_source;
    bool m_enabled = true;
    bool m_paused = false;
};

}  // namespace quib
