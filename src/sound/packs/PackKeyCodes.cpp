#include "sound/packs/PackKeyCodes.h"

#include <linux/input-event-codes.h>

#include <array>
#include <utility>

namespace quib {

namespace {

// The codes that are not evdev codes already, with the key each one names.
constexpr std::array<std::pair<std::uint32_t, std::uint16_t>, 23> kExtendedKeys{{
    {91, KEY_F13},           {92, KEY_F14},         {93, KEY_F15},
    {0x0E0D, KEY_KPEQUAL},                                                // 3597
    {0x0E1C, KEY_KPENTER},                                                // 3612
    {0x0E1D, KEY_RIGHTCTRL}, {0x0E35, KEY_KPSLASH}, {0x0E37, KEY_SYSRQ},  // Print Screen
    {0x0E38, KEY_RIGHTALT},  {0x0E45, KEY_PAUSE},   {0x0E47, KEY_HOME},
    {0x0E49, KEY_PAGEUP},    {0x0E4F, KEY_END},     {0x0E51, KEY_PAGEDOWN},
    {0x0E52, KEY_INSERT},    {0x0E53, KEY_DELETE},  {0x0E5B, KEY_LEFTMETA},
    {0x0E5C, KEY_RIGHTMETA}, {0x0E5D, KEY_COMPOSE},  // Menu
    {0xE048, KEY_UP},                                // 57416
    {0xE04B, KEY_LEFT},      {0xE04D, KEY_RIGHT},   {0xE050, KEY_DOWN},
}};

// Some packs name the keypad keys as 0xEE00 | the keypad key's own code
// (60999 = Keypad 7 ... 61011 = Keypad .); the low byte is that code.
constexpr std::uint32_t kKeypadAliasFirst = 0xEE00 | KEY_KP7;
constexpr std::uint32_t kKeypadAliasLast = 0xEE00 | KEY_KPDOT;

}  // namespace

std::optional<std::uint16_t> evdevCodeOfPackKey(std::uint32_t packCode) {
    if (packCode >= KEY_ESC && packCode <= KEY_F12) {
        return static_cast<std::uint16_t>(packCode);
    }
    if (packCode >= kKeypadAliasFirst && packCode <= kKeypadAliasLast) {
        return static_cast<std::uint16_t>(packCode & 0xFF);
    }
    for (const auto& [code, key] : kExtendedKeys) {
        if (code == packCode) {
            return key;
        }
    }
    return std::nullopt;
}

}  // namespace quib
