#pragma once

#include <cstdint>
#include <optional>

#include "sound/KeyClasses.h"

namespace quib {

// Where a key sits across a standard keyboard (ANSI, full size), from -1 (the
// left edge of the main block: Esc, Tab, left Shift) through 0 (the space bar)
// to 1 (its right edge: Backspace, Enter). The cursor keys, the block above
// them and the keypad lie beyond the right edge and read 1. A key the table
// does not know (media keys, codes above 255) and "no key" (0) read 0.
float keyboardPosition(std::uint16_t evdevCode);

// The class whose sounds a key plays: its row of the main block, or its own
// for the space bar, Enter (the keypad's too), Backspace and the Shifts.
// Empty for the keys beyond the main block and the keys the table does not know.
std::optional<KeyClass> keyClassOf(std::uint16_t evdevCode);

}  // namespace quib
