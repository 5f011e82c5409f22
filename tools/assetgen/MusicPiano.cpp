// Ambient piano: a slow broken-chord left hand, a simple singing melody and
// a faint pad underneath, in a large room.

#include <vector>

#include "Music.h"
#include "Song.h"

namespace assetgen {

Stereo composeAmbientPiano(std::uint64_t seed) {
    Song song(64.0, 16, seed);
    song.setHumanise(0.01);
    const std::vector<std::vector<int>> leftHand{
        {36, 43, 47, 52}, {40, 47, 50, 55}, {45, 52, 55, 60}, {41, 48, 52, 57}};
    const std::vector<Line> phraseA{{0, 76, 1.5}, {1.5, 74, 0.5}, {2, 72, 2},   {4, 71, 1},
                                    {5, 72, 1},   {6, 74, 2},     {8, 72, 1.5}, {9.5, 69, 0.5},
                                    {10, 67, 2},  {12, 69, 1},    {13, 72, 1},  {14, 67, 2}};
    const std::vector<Line> phraseB{{0, 79, 2},  {2, 76, 2},   {4, 74, 1},     {5, 76, 1},
                                    {6, 79, 2},  {8, 81, 1.5}, {9.5, 79, 0.5}, {10, 76, 2},
                                    {12, 77, 2}, {14, 76, 2}};
    constexpr int kPattern[8] = {0, 1, 2, 3, 2, 1, 2, 1};
    for (int bar = 0; bar < song.bars(); ++bar) {
        const auto& notes = leftHand[static_cast<std::size_t>(bar % 4)];
        for (int step = 0; step < 8; ++step) {
            const double v = (step == 0 ? 0.5 : 0.36) * song.random().range(0.85, 1.0);
            song.note(piano, bar * 4.0 + step * 0.5,
                      notes[static_cast<std::size_t>(kPattern[step])], 1.5, v, {0.55, -0.25, 0.45});
        }
        song.chord(warmPad, bar * 4.0, notes, 4.0, 0.18, {0.25, 0.0, 0.5});
    }
    for (int phrase = 0; phrase < 4; ++phrase) {
        song.line(piano, phrase % 2 == 0 ? phraseA : phraseB, phrase * 16.0, 0.62,
                  {0.7, 0.2, 0.45});
    }
    return song.finish(0.85, 0.5);
}

}  // namespace assetgen
