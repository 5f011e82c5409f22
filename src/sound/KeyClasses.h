#pragma once

// The keys a mechanical profile sounds apart, each with takes of its own:
// every row of the main block (a sculpted keycap sits a little higher or
// lower, so each row rings a little differently) and the long keys with a
// stabiliser. Shared by the asset generator, which makes the files, and the
// player, which picks them: a class's files are
// "<key file>_<class name>_<take>_down" and "..._up", take 1 .. kKeyTakes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quib {

enum class KeyClass : std::uint8_t {
    numberRow,  // and the function row above it
    topRow,
    homeRow,
    bottomRow,  // and the modifiers below it
    space,
    enter,
    backspace,
    shift,
};

inline constexpr std::size_t kKeyClassCount = 8;
inline constexpr int kKeyTakes = 3;

inline constexpr std::array<std::string_view, kKeyClassCount> kKeyClassNames{
    "row1", "row2", "row3", "row4", "space", "enter", "backspace", "shift"};

}  // namespace quib
