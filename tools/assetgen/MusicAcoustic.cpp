// The acoustic-flavoured tracks: lo-fi hip-hop, a rainy jazz cafe and a slow
// solo piano.

#include <vector>

#include "Ambience.h"
#include "Drums.h"
#include "Master.h"
#include "Music.h"
#include "Noise.h"
#include "Song.h"

namespace assetgen {

namespace {

struct Chord {
    int bass;
    std::vector<int> voicing;
};

void playLine(Song& song, Instrument instrument, const std::vector<Line>& line, double startBeat,
              double velocity, const Placement& placement) {
    for (const Line& note : line) {
        const double v = velocity * song.random().range(0.85, 1.0);
        song.note(instrument, startBeat + note.beat, note.pitch, note.beats, v, placement);
    }
}

// Tape hiss and record crackle, the lo-fi texture.
void addVinyl(Song& song) {
    Stereo bed(song.frames());
    for (Mono* channel : {&bed.left, &bed.right}) {
        *channel = pinkNoise(song.frames(), song.random());
        filterLoop(*channel, Biquad::bandpass(3000.0, 0.5));
    }
    const auto ticks =
        static_cast<std::size_t>(static_cast<double>(song.frames()) / kSampleRate * 3.0);
    for (std::size_t i = 0; i < ticks; ++i) {
        const double size = std::pow(song.random().uniform(), 3.0);
        addWrapped(bed, song.random().below(song.frames()), vinylTick(song.random()), size * 0.6,
                   song.random().bipolar() * 0.5);
    }
    song.addBed(bed, 0.18);
}

void lofiDrums(Song& song, double bar) {
    Random& r = song.random();
    song.play(kick(r, 0.4), bar, {0.6, 0.0, 0.0});
    song.play(kick(r, 0.3), bar + 2.5, {0.5, 0.0, 0.0});
    if (r.chance(0.4)) {
        song.play(kick(r, 0.3), bar + 1.75, {0.4, 0.0, 0.0});
    }
    for (const double beat : {1.0, 3.0}) {
        song.play(snare(r, 0.35), bar + beat, {0.3, 0.05, 0.2});
        song.play(rimClick(r), bar + beat, {0.15, 0.05, 0.1});
    }
    for (int step = 0; step < 16; ++step) {
        const double accent = step % 2 == 0 ? 0.16 : 0.07;
        song.play(hiHat(r, false), bar + step * 0.25, {accent * r.range(0.7, 1.0), 0.3, 0.0});
    }
}

}  // namespace

Stereo composeLofiChill(std::uint64_t seed) {
    Song song(80.0, 20, seed);
    song.setSwing(0.25, 0.62);
    song.setHumanise(0.004);
    const std::vector<Chord> chords{{38, {53, 57, 60, 64}},
                                    {31, {53, 59, 64, 69}},
                                    {36, {52, 55, 59, 62}},
                                    {33, {55, 60, 64, 67}}};
    const std::vector<Line> melody{
        {0.5, 72, 0.5},  {1.0, 74, 0.75}, {2.0, 77, 1.0}, {3.0, 76, 0.5},  {4.0, 74, 1.5},
        {6.5, 71, 0.5},  {7.0, 74, 1.0},  {8.0, 76, 2.0}, {10.5, 79, 0.5}, {11.0, 76, 0.5},
        {11.5, 74, 0.5}, {12.0, 72, 2.5}, {15.0, 69, 1.0}};
    for (int bar = 0; bar < song.bars(); ++bar) {
        const Chord& c = chords[static_cast<std::size_t>(bar % 4)];
        const double b = bar * 4.0;
        song.chord(electricPiano, b, c.voicing, 1.4, 0.55, {0.32, -0.15, 0.25}, 0.012);
        song.chord(electricPiano, b + 1.75, c.voicing, 2.0, 0.42, {0.3, -0.15, 0.25}, 0.01);
        const int next = chords[static_cast<std::size_t>((bar + 1) % 4)].bass;
        song.note(uprightBass, b, c.bass, 1.5, 0.8, {0.55, 0.0, 0.0});
        song.note(uprightBass, b + 1.75, c.bass + 7, 0.6, 0.6, {0.55, 0.0, 0.0});
        song.note(uprightBass, b + 2.5, c.bass + 12, 0.9, 0.65, {0.55, 0.0, 0.0});
        song.note(uprightBass, b + 3.5, next + 1, 0.45, 0.55, {0.55, 0.0, 0.0});
        lofiDrums(song, b);
    }
    for (const int phrase : {1, 3}) {
        playLine(song, pluck, melody, phrase * 16.0, 0.45, {0.8, 0.2, 0.35});
    }
    addVinyl(song);
    Stereo audio = song.finish(0.45, 0.5);
    filterLoop(audio.left, Biquad::lowpass(5500.0, 0.7));
    filterLoop(audio.right, Biquad::lowpass(5500.0, 0.7));
    return audio;
}

Stereo composeRainyCafe(std::uint64_t seed) {
    Song song(90.0, 24, seed);
    song.setSwing(0.5, 0.64);
    song.setHumanise(0.006);
    const std::vector<Chord> chords{{36, {58, 62, 63, 67}},
                                    {41, {57, 60, 63, 67}},
                                    {34, {57, 60, 62, 65}},
                                    {31, {59, 62, 65, 69}}};
    const std::vector<std::vector<int>> walk{
        {36, 39, 43, 40}, {41, 45, 48, 35}, {34, 38, 41, 32}, {31, 35, 38, 37}};
    const std::vector<Line> melody{
        {0.5, 70, 0.5},  {1.0, 72, 0.5},  {1.5, 74, 1.0},  {3.0, 75, 0.5},  {3.5, 74, 0.5},
        {4.0, 72, 1.5},  {6.0, 69, 0.5},  {6.5, 72, 1.0},  {8.0, 74, 2.0},  {10.5, 70, 0.5},
        {11.0, 69, 1.0}, {12.0, 71, 1.0}, {13.0, 74, 0.5}, {13.5, 77, 1.5}, {15.5, 75, 0.5}};
    Random& r = song.random();
    for (int bar = 0; bar < song.bars(); ++bar) {
        const auto index = static_cast<std::size_t>(bar % 4);
        const double b = bar * 4.0;
        const double second = bar % 2 == 0 ? 1.5 : 2.5;
        song.chord(electricPiano, b, chords[index].voicing, 1.0, 0.4, {0.3, 0.25, 0.3}, 0.008);
        song.chord(electricPiano, b + second, chords[index].voicing, 0.5, 0.32, {0.3, 0.25, 0.3},
                   0.008);
        for (int beat = 0; beat < 4; ++beat) {
            song.note(uprightBass, b + beat, walk[index][static_cast<std::size_t>(beat)], 0.9, 0.7,
                      {0.6, -0.1, 0.05});
            song.play(brushSwish(r, 0.55), b + beat, {0.05, -0.3, 0.1});
        }
        for (const double beat : {0.0, 1.0, 1.5, 2.0, 3.0, 3.5}) {
            song.play(ride(r), b + beat, {beat == 1.5 || beat == 3.5 ? 0.05 : 0.08, 0.35, 0.15});
        }
        for (const double beat : {1.0, 3.0}) {
            song.play(brushTap(r), b + beat, {0.12, -0.2, 0.15});
            song.play(hiHat(r, false), b + beat, {0.05, 0.3, 0.0});
        }
    }
    for (const int phrase : {1, 2, 4, 5}) {
        playLine(song, vibraphone, melody, phrase * 16.0, phrase % 3 == 1 ? 0.5 : 0.42,
                 {0.5, 0.1, 0.4});
    }
    song.addBed(renderRain(song.frames(), {260.0, 10.0, 4.0, 1.0}, r), 0.45);
    return song.finish(0.55, 0.5);
}

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
        playLine(song, piano, phrase % 2 == 0 ? phraseA : phraseB, phrase * 16.0, 0.62,
                 {0.7, 0.2, 0.45});
    }
    return song.finish(0.85, 0.5);
}

}  // namespace assetgen
