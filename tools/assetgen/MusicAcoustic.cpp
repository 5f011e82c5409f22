// The acoustic-flavoured tracks with a groove: lo-fi hip-hop and a rainy
// jazz cafe.

#include <vector>

#include "Ambience.h"
#include "Drums.h"
#include "Master.h"
#include "Music.h"
#include "Noise.h"
#include "Song.h"

namespace assetgen {

namespace {

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
    song.addBed(bed, 0.12);
}

void lofiDrums(Song& song, double bar) {
    Random& r = song.random();
    song.play(kick(r, 0.4), bar, {0.5, 0.0, 0.0});
    song.play(kick(r, 0.3), bar + 2.5, {0.42, 0.0, 0.0});
    if (r.chance(0.4)) {
        song.play(kick(r, 0.3), bar + 1.75, {0.4, 0.0, 0.0});
    }
    for (const double beat : {1.0, 3.0}) {
        song.play(snare(r, 0.35), bar + beat, {0.38, 0.05, 0.2});
        song.play(rimClick(r), bar + beat, {0.2, 0.05, 0.1});
    }
    for (int step = 0; step < 16; ++step) {
        const double accent = step % 2 == 0 ? 0.22 : 0.1;
        song.play(hiHat(r, false), bar + step * 0.25, {accent * r.range(0.7, 1.0), 0.3, 0.0});
    }
}

// Jazz brushes: a swish on every beat, the swung ride pattern, and the
// brush tap and hi-hat foot on two and four.
void brushKit(Song& song, double bar) {
    Random& r = song.random();
    for (int beat = 0; beat < 4; ++beat) {
        song.play(brushSwish(r, 0.55), bar + beat, {0.05, -0.3, 0.1});
    }
    for (const double beat : {0.0, 1.0, 1.5, 2.0, 3.0, 3.5}) {
        song.play(ride(r), bar + beat, {beat == 1.5 || beat == 3.5 ? 0.05 : 0.08, 0.35, 0.15});
    }
    for (const double beat : {1.0, 3.0}) {
        song.play(brushTap(r), bar + beat, {0.12, -0.2, 0.15});
        song.play(hiHat(r, false), bar + beat, {0.05, 0.3, 0.0});
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
        song.chord(electricPiano, b, c.voicing, 1.4, 0.55, {0.6, -0.15, 0.25}, 0.012);
        song.chord(electricPiano, b + 1.75, c.voicing, 2.0, 0.42, {0.55, -0.15, 0.25}, 0.01);
        const int next = chords[static_cast<std::size_t>((bar + 1) % 4)].bass;
        song.note(uprightBass, b, c.bass, 1.5, 0.8, {0.42, 0.0, 0.0});
        song.note(uprightBass, b + 1.75, c.bass + 7, 0.6, 0.6, {0.42, 0.0, 0.0});
        song.note(uprightBass, b + 2.5, c.bass + 12, 0.9, 0.65, {0.42, 0.0, 0.0});
        song.note(uprightBass, b + 3.5, next + 1, 0.45, 0.55, {0.42, 0.0, 0.0});
        lofiDrums(song, b);
    }
    for (const int phrase : {1, 3}) {
        song.line(pluck, melody, phrase * 16.0, 0.6, {0.8, 0.2, 0.35});
    }
    addVinyl(song);
    Stereo audio = song.finish(0.45, 0.5);
    filterLoop(audio.left, Biquad::lowpass(8000.0, 0.7));
    filterLoop(audio.right, Biquad::lowpass(8000.0, 0.7));
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
    for (int bar = 0; bar < song.bars(); ++bar) {
        const auto index = static_cast<std::size_t>(bar % 4);
        const double b = bar * 4.0;
        const double second = bar % 2 == 0 ? 1.5 : 2.5;
        song.chord(electricPiano, b, chords[index].voicing, 1.0, 0.4, {0.45, 0.25, 0.3}, 0.008);
        song.chord(electricPiano, b + second, chords[index].voicing, 0.5, 0.32, {0.45, 0.25, 0.3},
                   0.008);
        for (int beat = 0; beat < 4; ++beat) {
            song.note(uprightBass, b + beat, walk[index][static_cast<std::size_t>(beat)], 0.9, 0.7,
                      {0.45, -0.1, 0.05});
        }
        brushKit(song, b);
    }
    for (const int phrase : {1, 2, 4, 5}) {
        song.line(vibraphone, melody, phrase * 16.0, phrase % 3 == 1 ? 0.5 : 0.42, {0.7, 0.1, 0.4});
    }
    song.addBed(renderRain(song.frames(), {260.0, 10.0, 4.0, 1.0}, song.random()), 0.45);
    return song.finish(0.55, 0.5);
}

}  // namespace assetgen
