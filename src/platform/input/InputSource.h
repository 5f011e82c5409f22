#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// What a passive input feed reports: a key going down (or auto-repeating) or
// coming back up, with the key's code; a left or right mouse press; or a
// suspended feed. Nothing else leaves a source: no character, modifier state,
// time stamp or pointer position. The key code exists so that a key can have
// a sound of its own and its place in the stereo field; it is never stored or
// logged.
struct InputEvent {
    enum class Type : std::uint8_t {
        keyDown,        // a key went down or auto-repeated
        keyUp,          // a key came back up
        mouseDown,      // the left or the right mouse button went down
        feedSuspended,  // the feed lost events or its connection; the listener re-enables it
    };

    Type type = Type::keyDown;
    // The Linux evdev code (KEY_*); under X11 the keycode minus 8, which is
    // the same number on every evdev-based X server. 0 when not known (the
    // input helper passes on a class of keys, not their codes). mouseDown:
    // BTN_LEFT or BTN_RIGHT where the backend tells them apart, else 0.
    std::uint16_t keyCode = 0;
    // keyDown: an auto-repeat of a held key (under X11 RECORD, a press with
    // no release since the last one).
    bool isRepeat = false;
    // A modifier key (Shift, Ctrl, Alt, Meta, Caps Lock, Fn): reported so that
    // a listener can see chords, but never counted or sounded on its own.
    bool isModifier = false;

    bool isKey() const { return type == Type::keyDown || type == Type::keyUp; }
    bool operator==(const InputEvent&) const = default;

    // Events without a key code.
    static const InputEvent keyDown;
    static const InputEvent mouseDown;
    static const InputEvent feedSuspended;
};

inline constexpr InputEvent InputEvent::keyDown{InputEvent::Type::keyDown};
inline constexpr InputEvent InputEvent::mouseDown{InputEvent::Type::mouseDown};
inline constexpr InputEvent InputEvent::feedSuspended{InputEvent::Type::feedSuspended};

// Receives the events of a source on the main thread. Called for every key press
// on the desktop, so implementations must be cheap, must not allocate or log, and
// may call reEnable() on the source but must not destroy it from inside the call.
class InputListener {
  public:
    virtual ~InputListener() = default;
    virtual void onInputEvent(InputEvent event) = 0;
};

// A passive, system-wide feed of key and mouse-down events, read on the
// main thread. It never grabs, alters or delays an event.
class InputSource {
  public:
    virtual ~InputSource() = default;

    // Opens the feed and starts reporting to the listener, which must outlive the
    // source. Returns false, with nothing left open, when the feed cannot be
    // opened (no readable device, no X server): the missing permission case.
    virtual bool start(InputListener& listener) = 0;

    // Closes the feed; does nothing when it is not running.
    virtual void stop() = 0;

    // Resumes a suspended feed: resynchronises or reopens what was lost and keeps
    // what still works. Returns whether the feed is running afterwards.
    virtual bool reEnable() = 0;

    virtual bool isRunning() const = 0;
};

enum class InputBackend { automatic, evdev, x11, helper };

// "auto", "evdev", "x11" or "helper", exactly; anything else is no backend.
std::optional<InputBackend> parseInputBackend(std::string_view text);

// The backend that `automatic` stands for: evdev when device files are given;
// on Wayland (WAYLAND_DISPLAY set) or without DISPLAY, evdev where a keyboard
// can be read directly, else the input helper when it is installed, else
// evdev (which then explains how to get access); X11 otherwise.
InputBackend resolveInputBackend(InputBackend backend, const std::vector<std::string>& devicePaths);

// The checks `automatic` makes, given by the caller in tests.
struct InputAccess {
    bool devicesReadable = false;
    bool helperInstalled = false;
};
InputBackend resolveInputBackend(InputBackend backend, const std::vector<std::string>& devicePaths,
                                 InputAccess access);

// Creates a stopped source. With devicePaths, the evdev backend reads exactly
// these files instead of the devices that udev reports.
std::unique_ptr<InputSource> createInputSource(InputBackend backend,
                                               const std::vector<std::string>& devicePaths);

}  // namespace quib
