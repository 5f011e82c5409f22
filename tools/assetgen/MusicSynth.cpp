// The synthesizer tracks: an ambient pad piece for focus, a night drive and
// a synthwave loop.

#include <vector>

#include "Drums.h"
#include "Music.h"
#include "Song.h"

namespace assetgen {

namespace {

void playLead(Song& song, const std::vector<Line>& line, double startBeat, double velocity,
              const Placement& placement) {
    for (const Line& note : line) {
        song.echoNote(lead, startBeat + note.beat, note.pitch, note.beats, velocity, placement,
                      0.75, 3);
    }
}

// Sixteenth-note arpeggio up and down through the chord tones, alternating
// left and right.
void arpeggiate(Song& song, double bar, const std::vector<int>& tones) {
    constexpr std::size_t kOrder[16] = {0, 1, 2, 3, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 4, 2};
    for (int step = 0; step < 16; ++step) {
        const int pitch = tones[kOrder[step]];
        song.note(pluck, bar + step * 0.25, pitch, 0.2, step % 4 == 0 ? 0.75 : 0.55,
                  {0.5, step % 2 == 0 ? -0.35 : 0.35, 0.3});
    }
}

// Four on the floor, open hats on the off-beats and the gated snare on two
// and four.
void gatedKit(Song& song, double bar) {
    Random& r = song.random();
    for (int beat = 0; beat < 4; ++beat) {
        song.play(kick(r, 0.9), bar + beat, {0.7, 0.0, 0.0});
        song.play(hiHat(r, true), bar + beat + 0.5, {0.07, 0.3, 0.05});
    }
    song.play(gatedSnare(r), bar + 1.0, {0.45, 0.0, 0.25});
    song.play(gatedSnare(r), bar + 3.0, {0.45, 0.0, 0.25});
}

}  // namespace

Stereo composeDeepFocus(std::uint64_t seed) {
    Song song(60.0, 16, seed);
    const std::vector<Chord> chords{{38, {54, 57, 61, 64}},
                                    {35, {50, 54, 57, 61}},
                                    {31, {47, 54, 57, 62}},
                                    {33, {52, 57, 59, 64}}};
    constexpr int kSparkles[] = {74, 76, 78, 81, 83, 86};
    Random& r = song.random();
    for (int section = 0; section < 8; ++section) {
        const Chord& c = chords[static_cast<std::size_t>(section % 4)];
        const double b = section * 8.0;
        song.chord(warmPad, b, c.voicing, 8.0, 0.5, {0.5, 0.0, 0.6});
        song.note(warmPad, b, c.bass + 12, 8.0, 0.45, {0.5, 0.0, 0.2});
        song.note(uprightBass, b, c.bass, 6.0, 0.35, {0.4, 0.0, 0.3});
        for (int beat = 0; beat < 8; ++beat) {
            if (r.chance(0.35)) {
                const int pitch = kSparkles[r.below(6)];
                song.echoNote(bell, b + beat + (r.chance(0.5) ? 0.5 : 0.0), pitch, 0.5,
                              r.range(0.15, 0.3), {0.4, r.bipolar() * 0.7, 0.8}, 1.5, 2);
            }
        }
    }
    return song.finish(0.92, 0.3);
}

Stereo composeNightDrive(std::uint64_t seed) {
    Song song(96.0, 24, seed);
    song.setHumanise(0.002);
    const std::vector<Chord> chords{{33, {57, 60, 64, 67}},
                                    {29, {53, 57, 60, 64}},
                                    {36, {55, 60, 64, 67}},
                                    {31, {55, 59, 62, 67}}};
    const std::vector<Line> melody{{0, 76, 1.5}, {1.5, 74, 0.5}, {2, 72, 2},     {4, 69, 3},
                                   {7, 72, 1},   {8, 71, 1.5},   {9.5, 72, 0.5}, {10, 74, 2},
                                   {12, 71, 2},  {14, 67, 2}};
    Random& r = song.random();
    for (int bar = 0; bar < song.bars(); ++bar) {
        const Chord& c = chords[static_cast<std::size_t>(bar % 4)];
        const double b = bar * 4.0;
        song.chord(pad, b, c.voicing, 4.0, 0.4, {0.7, 0.0, 0.45});
        for (int step = 0; step < 8; ++step) {
            song.note(synthBass, b + step * 0.5, c.bass + 12, 0.4, step % 2 == 0 ? 0.7 : 0.45,
                      {0.4, 0.0, 0.0});
        }
        song.play(kick(r, 0.6), b, {0.7, 0.0, 0.0});
        song.play(kick(r, 0.6), b + 2.0, {0.7, 0.0, 0.0});
        song.play(snare(r, 0.5), b + 1.0, {0.35, 0.0, 0.5});
        song.play(snare(r, 0.5), b + 3.0, {0.35, 0.0, 0.5});
        for (int step = 0; step < 8; ++step) {
            song.play(hiHat(r, step == 7 && bar % 2 == 1), b + step * 0.5,
                      {step % 2 == 0 ? 0.08 : 0.12, 0.25, 0.05});
        }
    }
    for (const int phrase : {2, 3, 4, 5}) {
        playLead(song, melody, phrase * 16.0, phrase % 2 == 0 ? 0.45 : 0.4, {0.4, 0.1, 0.4});
    }
    return song.finish(0.75, 0.45);
}

Stereo composeSynthwave(std::uint64_t seed) {
    Song song(120.0, 32, seed);
    const std::vector<Chord> chords{{40, {52, 59, 64, 67}},
                                    {36, {52, 60, 64, 67}},
                                    {43, {50, 59, 62, 67}},
                                    {38, {50, 57, 62, 66}}};
    const std::vector<std::vector<int>> arpTones{{64, 67, 71, 76, 79, 83},
                                                 {64, 67, 72, 76, 79, 84},
                                                 {62, 67, 71, 74, 79, 83},
                                                 {62, 66, 69, 74, 78, 81}};
    const std::vector<Line> melody{{0, 71, 1},     {1, 74, 1},  {2, 76, 1.5}, {3.5, 74, 0.5},
                                   {4, 72, 2},     {6, 71, 1},  {7, 67, 1},   {8, 71, 1.5},
                                   {9.5, 74, 0.5}, {10, 79, 2}, {12, 78, 2},  {14, 74, 2}};
    for (int bar = 0; bar < song.bars(); ++bar) {
        const auto index = static_cast<std::size_t>(bar % 4);
        const double b = bar * 4.0;
        song.chord(pad, b, chords[index].voicing, 4.0, 0.35, {0.6, 0.0, 0.4});
        arpeggiate(song, b, arpTones[index]);
        for (int step = 0; step < 8; ++step) {
            const int octave = step % 2 == 1 ? 12 : 0;
            song.note(synthBass, b + step * 0.5, chords[index].bass + octave, 0.4, 0.8,
                      {0.45, 0.0, 0.0});
        }
        gatedKit(song, b);
    }
    for (const int phrase : {4, 5, 6, 7}) {
        playLead(song, melody, phrase * 16.0, 0.5, {0.45, 0.0, 0.35});
    }
    return song.finish(0.7, 0.4);
}

}  // namespace assetgen
