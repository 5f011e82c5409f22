#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sound/KeyClasses.h"

namespace quib {

// The click-sound profiles a user can pick for the keyboard and the mouse.
// The raw value is the display name and the stored form; "no profile" (a
// silent channel) is an empty optional, stored as "off".
enum class SoundProfile : std::uint8_t {
    iphone,
    snap,
    tock,
    clicky,
    haptic,
    toggle,
    stroke,
    press,
    pinch,
    flick,
    bump,
    keys,
    mxBlue,
    mxBrown,
    mxBlack,
    cream,
    turquoise,
    mechClassic,
    mechDeep,
    mechSharp,
};

inline constexpr std::size_t kSoundProfileCount = 20;

// Every profile in declaration order (the order of every list shown or stored).
const std::array<SoundProfile, kSoundProfileCount>& allSoundProfiles();

std::string_view rawValue(SoundProfile profile);
// Exact, case-sensitive match of the whole display name.
std::optional<SoundProfile> soundProfileFromRawValue(std::string_view text);
// Base names (no extension) of the ".wav" files in the "Sounds" resource folder.
std::string_view keyFile(SoundProfile profile);
std::string_view mouseFile(SoundProfile profile);

// The mechanical profiles' two strokes as files of their own: the press
// without its return, and the return a key makes coming back up (played on
// key-up when release sounds are on). Absent for the other profiles.
struct KeyStrokeFiles {
    std::string press;
    std::string release;
};
std::optional<KeyStrokeFiles> keyStrokeFiles(SoundProfile profile);
// The same two strokes for one take (1 .. kKeyTakes) of one class of keys.
std::optional<KeyStrokeFiles> keyStrokeFiles(SoundProfile profile, KeyClass keyClass, int take);

}  // namespace quib
