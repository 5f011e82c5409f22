#include "sound/KeyLayout.h"

#include <linux/input-event-codes.h>

#include <array>
#include <initializer_list>

namespace quib {

namespace {

// One key of a row and its width in key units; code 0 is a gap.
struct Cap {
    std::uint16_t code;
    float width;
};

constexpr float kBlockWidth = 15.0F;  // the main block, in key units

using Row = std::initializer_list<Cap>;

// The main block of an ANSI board, row by row from the left edge.
constexpr std::array<Row, 6> kRows{{
    {{KEY_ESC, 1},
     {0, 1},
     {KEY_F1, 1},
     {KEY_F2, 1},
     {KEY_F3, 1},
     {KEY_F4, 1},
     {0, 0.5F},
     {KEY_F5, 1},
     {KEY_F6, 1},
     {KEY_F7, 1},
     {KEY_F8, 1},
     {0, 0.5F},
     {KEY_F9, 1},
     {KEY_F10, 1},
     {KEY_F11, 1},
     {KEY_F12, 1}},
    {{KEY_GRAVE, 1},
     {KEY_1, 1},
     {KEY_2, 1},
     {KEY_3, 1},
     {KEY_4, 1},
     {KEY_5, 1},
     {KEY_6, 1},
     {KEY_7, 1},
     {KEY_8, 1},
     {KEY_9, 1},
     {KEY_0, 1},
     {KEY_MINUS, 1},
     {KEY_EQUAL, 1},
     {KEY_BACKSPACE, 2}},
    {{KEY_TAB, 1.5F},
     {KEY_Q, 1},
     {KEY_W, 1},
     {KEY_E, 1},
     {KEY_R, 1},
     {KEY_T, 1},
     {KEY_Y, 1},
     {KEY_U, 1},
     {KEY_I, 1},
     {KEY_O, 1},
     {KEY_P, 1},
     {KEY_LEFTBRACE, 1},
     {KEY_RIGHTBRACE, 1},
     {KEY_BACKSLASH, 1.5F}},
    {{KEY_CAPSLOCK, 1.75F},
     {KEY_A, 1},
     {KEY_S, 1},
     {KEY_D, 1},
     {KEY_F, 1},
     {KEY_G, 1},
     {KEY_H, 1},
     {KEY_J, 1},
     {KEY_K, 1},
     {KEY_L, 1},
     {KEY_SEMICOLON, 1},
     {KEY_APOSTROPHE, 1},
     {KEY_ENTER, 2.25F}},
    // The ISO key between the left Shift and Z takes a unit of a shorter Shift.
    {{KEY_LEFTSHIFT, 1.25F},
     {KEY_102ND, 1},
     {KEY_Z, 1},
     {KEY_X, 1},
     {KEY_C, 1},
     {KEY_V, 1},
     {KEY_B, 1},
     {KEY_N, 1},
     {KEY_M, 1},
     {KEY_COMMA, 1},
     {KEY_DOT, 1},
     {KEY_SLASH, 1},
     {KEY_RIGHTSHIFT, 2.75F}},
    {{KEY_LEFTCTRL, 1.25F},
     {KEY_LEFTMETA, 1.25F},
     {KEY_LEFTALT, 1.25F},
     {KEY_SPACE, 6.25F},
     {KEY_RIGHTALT, 1.25F},
     {KEY_RIGHTMETA, 1.25F},
     {KEY_COMPOSE, 1.25F},
     {KEY_RIGHTCTRL, 1.25F}},
}};

// Beyond the right edge of the main block.
constexpr std::initializer_list<std::uint16_t> kRightOfBlock{
    KEY_SYSRQ,   KEY_SCROLLLOCK, KEY_PAUSE,   KEY_INSERT, KEY_HOME, KEY_PAGEUP, KEY_DELETE,
    KEY_END,     KEY_PAGEDOWN,   KEY_UP,      KEY_LEFT,   KEY_DOWN, KEY_RIGHT,  KEY_NUMLOCK,
    KEY_KPSLASH, KEY_KPASTERISK, KEY_KPMINUS, KEY_KP7,    KEY_KP8,  KEY_KP9,    KEY_KPPLUS,
    KEY_KP4,     KEY_KP5,        KEY_KP6,     KEY_KP1,    KEY_KP2,  KEY_KP3,    KEY_KPENTER,
    KEY_KP0,     KEY_KPDOT,      KEY_KPEQUAL};

constexpr std::array<float, 256> buildPositions() {
    std::array<float, 256> positions{};
    for (const Row& row : kRows) {
        float left = 0.0F;
        for (const Cap& cap : row) {
            if (cap.code != 0) {
                const float centre = left + cap.width / 2.0F;
                positions[cap.code] = (centre - kBlockWidth / 2.0F) / (kBlockWidth / 2.0F);
            }
            left += cap.width;
        }
    }
    // The space bar sits a little left of the block's middle; the typist's
    // thumbs (and the ear) place it in the middle.
    positions[KEY_SPACE] = 0.0F;
    for (const std::uint16_t code : kRightOfBlock) {
        positions[code] = 1.0F;
    }
    return positions;
}

constexpr std::array<float, 256> kPositions = buildPositions();

constexpr std::uint8_t kNoClass = 0xFF;

constexpr std::uint8_t classIndex(KeyClass keyClass) {
    return static_cast<std::uint8_t>(keyClass);
}

// The function row plays the number row's sounds, the modifier row the
// bottom row's.
constexpr std::array<KeyClass, 6> kRowClasses{KeyClass::numberRow, KeyClass::numberRow,
                                              KeyClass::topRow,    KeyClass::homeRow,
                                              KeyClass::bottomRow, KeyClass::bottomRow};

constexpr std::array<std::uint8_t, 256> buildClasses() {
    std::array<std::uint8_t, 256> classes{};
    classes.fill(kNoClass);
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        for (const Cap& cap : kRows[row]) {
            if (cap.code != 0) {
                classes[cap.code] = classIndex(kRowClasses[row]);
            }
        }
    }
    classes[KEY_SPACE] = classIndex(KeyClass::space);
    classes[KEY_ENTER] = classIndex(KeyClass::enter);
    classes[KEY_KPENTER] = classIndex(KeyClass::enter);
    classes[KEY_BACKSPACE] = classIndex(KeyClass::backspace);
    classes[KEY_LEFTSHIFT] = classIndex(KeyClass::shift);
    classes[KEY_RIGHTSHIFT] = classIndex(KeyClass::shift);
    return classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = buildClasses();

}  // namespace

float keyboardPosition(std::uint16_t evdevCode) {
    return evdevCode < kPositions.size() ? kPositions[evdevCode] : 0.0F;
}

std::optional<KeyClass> keyClassOf(std::uint16_t evdevCode) {
    if (evdevCode >= kClasses.size() || kClasses[evdevCode] == kNoClass) {
        return std::nullopt;
    }
    return static_cast<KeyClass>(kClasses[evdevCode]);
}

}  // namespace quib
