#pragma once

// The arrangement of one music track: a loop of whole bars into which notes
// and drum hits are placed by beat. Sounds that ring past the loop end wrap
// to its start, and the reverb runs around the loop, so the track repeats
// without a seam. Swing delays every second subdivision of the beat.

#include <vector>

#include "Dsp.h"
#include "Instruments.h"

namespace assetgen {

using Instrument = Mono (*)(const NoteSpec&, Random&);

// A chord of the harmony: the bass note and the voicing above it.
struct Chord {
    int bass;
    std::vector<int> voicing;
};

// A melody or bass line note: beat within its phrase, MIDI pitch, length.
struct Line {
    double beat;
    int pitch;
    double beats;
};

struct Placement {
    double gain = 1.0;
    double pan = 0.0;   // -1 left .. 1 right
    double send = 0.0;  // share sent to the reverb
};

class Song {
  public:
    Song(double bpm, int bars, std::uint64_t seed);

    std::size_t frames() const { return m_mix.frames(); }
    double beatSeconds() const { return 60.0 / m_bpm; }
    int bars() const { return m_bars; }
    Random& random() { return m_random; }
    // `subdivision` 0.5 swings eighths, 0.25 sixteenths; `ratio` 0.5 is straight.
    void setSwing(double subdivision, double ratio);
    void setHumanise(double seconds) { m_humanise = seconds; }

    void play(const Mono& sound, double beat, const Placement& placement);
    void note(Instrument instrument, double beat, double pitch, double beats, double velocity,
              const Placement& placement);
    // A chord, each note a few milliseconds after the one below (strummed).
    void chord(Instrument instrument, double beat, const std::vector<int>& pitches, double beats,
               double velocity, const Placement& placement, double strumSeconds = 0.0);
    // The note plus `repeats` ping-pong echoes `echoBeats` apart.
    void echoNote(Instrument instrument, double beat, double pitch, double beats, double velocity,
                  const Placement& placement, double echoBeats, int repeats);
    // Every note of `line`, shifted to start at `startBeat`, velocities varied.
    void line(Instrument instrument, const std::vector<Line>& notes, double startBeat,
              double velocity, const Placement& placement);
    void addBed(const Stereo& bed, double gain);

    // Mixes the reverb return in and returns the finished (unmastered) loop.
    Stereo finish(double roomSize, double damping);

  private:
    std::size_t frameOf(double beat);
    void playAt(const Mono& sound, std::size_t frame, const Placement& placement);

    double m_bpm;
    int m_bars;
    Random m_random;
    Stereo m_mix;
    Stereo m_send;
    double m_swingSubdivision = 0.5;
    double m_swingRatio = 0.5;
    double m_humanise = 0.0;
};

}  // namespace assetgen
