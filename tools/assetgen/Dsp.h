#pragma once

// Small signal-processing building blocks shared by every generator. Everything
// is deterministic: randomness comes only from explicitly seeded Random objects.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace assetgen {

inline constexpr int kSampleRate = 48000;
inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;

using Mono = std::vector<double>;

struct Stereo {
    Mono left;
    Mono right;
    explicit Stereo(std::size_t frames = 0) : left(frames, 0.0), right(frames, 0.0) {}
    std::size_t frames() const { return left.size(); }
};

inline std::size_t secondsToFrames(double seconds) {
    return static_cast<std::size_t>(std::llround(seconds * kSampleRate));
}

inline double dbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

// xorshift64* with a splitmix64-scrambled seed: tiny, fast and identical on
// every platform, unlike the distributions of <random>.
class Random {
  public:
    explicit Random(std::uint64_t seed);
    std::uint64_t next();
    double uniform();  // [0, 1)
    double bipolar();  // [-1, 1)
    double range(double low, double high) { return low + (high - low) * uniform(); }
    std::size_t below(std::size_t count) { return static_cast<std::size_t>(next() % count); }
    bool chance(double probability) { return uniform() < probability; }

  private:
    std::uint64_t m_state;
};

// Sine of a phase measured in cycles, from a table: the music renders
// hundreds of millions of oscillator samples and std::sin would dominate.
struct SineTable {
    static constexpr std::size_t kSize = 4096;
    static const SineTable& instance();
    double values[kSize + 1];

  private:
    SineTable();
};

inline double fastSine(double cycles) {
    static const SineTable& table = SineTable::instance();
    const double position = (cycles - std::floor(cycles)) * SineTable::kSize;
    const auto index = static_cast<std::size_t>(position);
    const double fraction = position - static_cast<double>(index);
    return table.values[index] + fraction * (table.values[index + 1] - table.values[index]);
}

// Direct-form-I biquad with the usual cookbook designs.
class Biquad {
  public:
    static Biquad lowpass(double frequency, double q);
    static Biquad highpass(double frequency, double q);
    static Biquad bandpass(double frequency, double q);  // 0 dB peak gain
    static Biquad peaking(double frequency, double q, double gainDb);
    double process(double x) {
        const double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }
    void reset() { m_x1 = m_x2 = m_y1 = m_y2 = 0.0; }

  private:
    Biquad() = default;
    // b0, b1, b2, a0, a1, a2 as in the cookbook; normalised by a0 here.
    explicit Biquad(const double (&coefficients)[6]);
    double m_b0 = 1.0, m_b1 = 0.0, m_b2 = 0.0, m_a1 = 0.0, m_a2 = 0.0;
    double m_x1 = 0.0, m_x2 = 0.0, m_y1 = 0.0, m_y2 = 0.0;
};

// One-pole low-pass, used for smoothing and gentle tone shaping.
class OnePole {
  public:
    explicit OnePole(double frequency = 1000.0) { setFrequency(frequency); }
    void setFrequency(double frequency) {
        m_coefficient = 1.0 - std::exp(-kTwoPi * frequency / kSampleRate);
    }
    double process(double x) { return m_state += m_coefficient * (x - m_state); }

  private:
    double m_coefficient = 0.0;
    double m_state = 0.0;
};

// A decaying two-pole resonance: one vibration mode of a struck body.
class Resonator {
  public:
    Resonator(double frequency, double decaySeconds);
    double process(double x) {
        const double y = m_c1 * m_y1 + m_c2 * m_y2 + x;
        m_y2 = m_y1;
        m_y1 = y;
        return y * m_gain;
    }

  private:
    double m_c1, m_c2, m_gain;
    double m_y1 = 0.0, m_y2 = 0.0;
};

// Paul Kellet's refined pink filter: within a fraction of a dB of 1/f over
// the audible band, for the price of seven one-pole sections.
class PinkFilter {
  public:
    double process(double white);

  private:
    double m_b[7] = {};
};

// Exponential decay envelope value after t seconds with time constant tau.
inline double decay(double t, double tau) {
    return t < 0.0 ? 0.0 : std::exp(-t / tau);
}

double midiToFrequency(double note);

}  // namespace assetgen
