#include "Song.h"

#include "Master.h"
#include "Reverb.h"

namespace assetgen {

Song::Song(double bpm, int bars, std::uint64_t seed)
    : m_bpm(bpm),
      m_bars(bars),
      m_random(seed),
      m_mix(secondsToFrames(bars * 4 * 60.0 / bpm)),
      m_send(m_mix.frames()) {}

void Song::setSwing(double subdivision, double ratio) {
    m_swingSubdivision = subdivision;
    m_swingRatio = ratio;
}

std::size_t Song::frameOf(double beat) {
    const double pair = 2.0 * m_swingSubdivision;
    const double within = beat - pair * std::floor(beat / pair + 1e-9);
    if (std::abs(within - m_swingSubdivision) < 1e-6) {
        beat += (m_swingRatio - 0.5) * pair;
    }
    double seconds = beat * beatSeconds();
    if (m_humanise > 0.0) {
        seconds += m_random.bipolar() * m_humanise;
    }
    const auto loop = static_cast<double>(frames());
    double frame = std::fmod(seconds * kSampleRate, loop);
    if (frame < 0.0) {
        frame += loop;
    }
    return static_cast<std::size_t>(frame);
}

void Song::play(const Mono& sound, double beat, const Placement& placement) {
    playAt(sound, frameOf(beat), placement);
}

void Song::playAt(const Mono& sound, std::size_t at, const Placement& placement) {
    addWrapped(m_mix, at, sound, placement.gain, placement.pan);
    if (placement.send > 0.0) {
        addWrapped(m_send, at, sound, placement.gain * placement.send, placement.pan);
    }
}

void Song::note(Instrument instrument, double beat, double pitch, double beats, double velocity,
                const Placement& placement) {
    const Mono sound = instrument({pitch, beats * beatSeconds(), velocity}, m_random);
    play(sound, beat, placement);
}

void Song::chord(Instrument instrument, double beat, const std::vector<int>& pitches, double beats,
                 double velocity, const Placement& placement, double strumSeconds) {
    const std::size_t at = frameOf(beat);
    for (std::size_t n = 0; n < pitches.size(); ++n) {
        const double v = velocity * m_random.range(0.88, 1.0);
        const Mono sound =
            instrument({static_cast<double>(pitches[n]), beats * beatSeconds(), v}, m_random);
        playAt(sound, at + secondsToFrames(strumSeconds * static_cast<double>(n)), placement);
    }
}

void Song::echoNote(Instrument instrument, double beat, double pitch, double beats, double velocity,
                    const Placement& placement, double echoBeats, int repeats) {
    const Mono sound = instrument({pitch, beats * beatSeconds(), velocity}, m_random);
    Placement echo = placement;
    for (int r = 0; r <= repeats; ++r) {
        play(sound, beat + r * echoBeats, echo);
        echo.gain *= 0.45;
        echo.pan = r % 2 == 0 ? -0.6 : 0.6;
        echo.send = std::min(1.0, echo.send + 0.2);
    }
}

void Song::line(Instrument instrument, const std::vector<Line>& notes, double startBeat,
                double velocity, const Placement& placement) {
    for (const Line& n : notes) {
        note(instrument, startBeat + n.beat, n.pitch, n.beats, velocity * m_random.range(0.85, 1.0),
             placement);
    }
}

void Song::addBed(const Stereo& bed, double gain) {
    for (std::size_t i = 0; i < frames() && i < bed.frames(); ++i) {
        m_mix.left[i] += (bed.left[i] * gain);
        m_mix.right[i] += (bed.right[i] * gain);
    }
}

Stereo Song::finish(double roomSize, double damping) {
    reverbLoop(m_send, roomSize, damping, 1.0, 0.0);
    for (std::size_t i = 0; i < frames(); ++i) {
        m_mix.left[i] += m_send.left[i];
        m_mix.right[i] += m_send.right[i];
    }
    return std::move(m_mix);
}

}  // namespace assetgen
