#pragma once

#include <linux/input.h>

#include <optional>

#include "platform/input/InputSource.h"

namespace quib {

// Modifier keys alone are not key-downs: the desktop reports them as changes of
// the modifier state, so a shortcut such as Ctrl-C counts one key-down (the C).
bool isModifierKey(unsigned code);

// What one evdev record means for QUIB: a key press, auto-repeat or release
// (value 1, 2 or 0) with the key's code, modifier keys marked; a press of the
// left or right button; or nothing.
std::optional<InputEvent> classifyEvdevEvent(const input_event& event);

// Reads a plain stream of records (a FIFO or a recording) the way the kernel
// defines the protocol: after SYN_DROPPED every record up to and including the
// next SYN_REPORT is stale and ignored, and that SYN_REPORT is reported as a
// suspended feed (once per gap). Devices opened through libevdev get the same from libevdev.
class EvdevStreamFilter {
  public:
    std::optional<InputEvent> filter(const input_event& event);

  private:
    bool m_dropping = false;
};

}  // namespace quib
