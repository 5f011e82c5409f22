#include "input/MuteChord.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <string>
#include <vector>

namespace quib {
namespace {

using Press = MuteChord::Press;

// One key event: down (or auto-repeat) or up, at a time in seconds.
struct Step {
    std::uint16_t code;
    bool down;
    double at;
};

std::vector<Press> play(MuteChord& chord, const std::vector<Step>& steps) {
    std::vector<Press> presses;
    for (const Step& step : steps) {
        if (step.down) {
            presses.push_back(chord.keyDown(step.code, step.at));
        } else {
            chord.keyUp(step.code);
        }
    }
    return presses;
}

constexpr std::uint16_t kScroll = KEY_SCROLLLOCK;
constexpr std::uint16_t kA = KEY_A;

TEST(MuteChordTest, RecognisesTheDoublePressAndNothingElse) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<Press> expected;
    };
    const std::vector<Case> cases{
        {"twice in time",
         {{kScroll, true, 10.0}, {kScroll, false, 10.05}, {kScroll, true, 10.3}},
         {Press::click, Press::toggle}},
        {"twice at exactly 400 ms",
         {{kScroll, true, 1.0}, {kScroll, false, 1.1}, {kScroll, true, 1.4}},
         {Press::click, Press::toggle}},
        {"too slow",
         {{kScroll, true, 10.0}, {kScroll, false, 10.1}, {kScroll, true, 10.41}},
         {Press::click, Press::click}},
        {"too slow, then in time from the second press",
         {{kScroll, true, 0.0},
          {kScroll, false, 0.1},
          {kScroll, true, 0.5},
          {kScroll, false, 0.6},
          {kScroll, true, 0.8}},
         {Press::click, Press::click, Press::toggle}},
        {"another key between",
         {{kScroll, true, 10.0},
          {kScroll, false, 10.05},
          {kA, true, 10.1},
          {kA, false, 10.12},
          {kScroll, true, 10.2}},
         {Press::click, Press::click, Press::click}},
        {"a key released between is no press",
         {{kA, true, 9.9},
          {kScroll, true, 10.0},
          {kA, false, 10.02},
          {kScroll, false, 10.05},
          {kScroll, true, 10.2}},
         {Press::click, Press::click, Press::toggle}},
        {"a held key's auto-repeat",
         {{kScroll, true, 10.0}, {kScroll, true, 10.25}, {kScroll, true, 10.29}},
         {Press::click, Press::click, Press::click}},
        {"held, released, pressed again in time",
         {{kScroll, true, 10.0},
          {kScroll, true, 10.25},
          {kScroll, false, 10.3},
          {kScroll, true, 10.35}},
         {Press::click, Press::click, Press::click}},
        {"the second press's auto-repeat stays silent until released",
         {{kScroll, true, 10.0},
          {kScroll, false, 10.05},
          {kScroll, true, 10.2},
          {kScroll, true, 10.8},
          {kScroll, true, 10.84},
          {kScroll, false, 10.9},
          {kScroll, true, 11.0}},
         {Press::click, Press::toggle, Press::silent, Press::silent, Press::click}},
        {"a third press starts a new chord",
         {{kScroll, true, 10.0},
          {kScroll, false, 10.05},
          {kScroll, true, 10.2},
          {kScroll, false, 10.25},
          {kScroll, true, 10.3},
          {kScroll, false, 10.35},
          {kScroll, true, 10.4}},
         {Press::click, Press::toggle, Press::click, Press::toggle}},
        {"a lost release does not swallow the next taps",
         {{kScroll, true, 10.0},
          {kScroll, true, 12.0},
          {kScroll, false, 12.05},
          {kScroll, true, 12.2}},
         {Press::click, Press::click, Press::toggle}},
    };
    for (const Case& c : cases) {
        MuteChord chord;
        EXPECT_EQ(play(chord, c.steps), c.expected) << c.name;
    }
}

TEST(MuteChordTest, EachChordKeyIsItsOwnAndOffRecognisesNothing) {
    struct Case {
        ChordKey key;
        std::uint16_t code;
        const char* raw;
    };
    for (const Case& c : {Case{ChordKey::scrollLock, KEY_SCROLLLOCK, "scrolllock"},
                          Case{ChordKey::pause, KEY_PAUSE, "pause"},
                          Case{ChordKey::rightCtrl, KEY_RIGHTCTRL, "rightctrl"}}) {
        MuteChord chord;
        chord.setKey(c.key);
        EXPECT_EQ(chordKeyFromRawValue(c.raw), c.key);
        EXPECT_EQ(rawValue(c.key), c.raw);
        const std::uint16_t other = c.code == KEY_PAUSE ? KEY_SCROLLLOCK : KEY_PAUSE;
        EXPECT_EQ(play(chord, {{other, true, 1.0}, {other, false, 1.1}, {other, true, 1.2}}),
                  (std::vector<Press>{Press::click, Press::click}))
            << c.raw;
        EXPECT_EQ(play(chord, {{c.code, true, 2.0}, {c.code, false, 2.1}, {c.code, true, 2.2}}),
                  (std::vector<Press>{Press::click, Press::toggle}))
            << c.raw;
    }
    MuteChord off;
    off.setKey(ChordKey::off);
    EXPECT_EQ(play(off, {{kScroll, true, 1.0}, {kScroll, false, 1.1}, {kScroll, true, 1.2}}),
              (std::vector<Press>{Press::click, Press::click}));
    EXPECT_EQ(chordKeyFromRawValue("off"), ChordKey::off);
    EXPECT_FALSE(chordKeyFromRawValue("ScrollLock"));
    EXPECT_FALSE(chordKeyFromRawValue(""));
}

}  // namespace
}  // namespace quib
