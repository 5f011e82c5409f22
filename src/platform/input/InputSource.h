#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// The three things a passive input feed reports. Nothing else leaves a source:
// no key code, character, modifier state, time stamp or pointer position.
enum class InputEvent {
    keyDown,        // a key went down or auto-repeated (modifier keys alone excluded)
    mouseDown,      // the left or the right mouse button went down
    feedSuspended,  // the feed lost events or its connection; the listener re-enables it
};

// Receives the events of a source on the main thread. Called for every key press
// on the desktop, so implementations must be cheap, must not allocate or log, and
// may call reEnable() on the source but must not destroy it from inside the call.
class InputListener {
  public:
    virtual ~InputListener() = default;
    virtual void onInputEvent(InputEvent event) = 0;
};

// A passive, system-wide feed of key-down and mouse-down events, read on the
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

enum class InputBackend { automatic, evdev, x11 };

// "auto", "evdev" or "x11", exactly; anything else is no backend.
std::optional<InputBackend> parseInputBackend(std::string_view text);

// The backend that `automatic` stands for: evdev when device files are given, on
// Wayland (WAYLAND_DISPLAY set) or without DISPLAY; X11 otherwise.
InputBackend resolveInputBackend(InputBackend backend, const std::vector<std::string>& devicePaths);

// Creates a stopped source. With devicePaths, the evdev backend reads exactly
// these files instead of the devices that udev reports.
std::unique_ptr<InputSource> createInputSource(InputBackend backend,
                                               const std::vector<std::string>& devicePaths);

}  // namespace quib
