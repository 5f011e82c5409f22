#pragma once

#include <cstdint>
#include <optional>

namespace quib {

// The key codes of the community's sound packs are the IBM set-1 scan codes
// those packs were recorded against: 1 to 88 are the Linux evdev codes
// themselves, the extended keys carry 0x0E00 (0xE000 for the arrows), and a
// few packs write the keypad keys as 0xEE00 | their code. This maps one of
// them to the evdev code (KEY_*) the input feed reports; nullopt for a code
// that names no key QUIB hears.
std::optional<std::uint16_t> evdevCodeOfPackKey(std::uint32_t packCode);

}  // namespace quib
