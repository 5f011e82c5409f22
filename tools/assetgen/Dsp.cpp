#include "Dsp.h"

namespace assetgen {

Random::Random(std::uint64_t seed) {
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    m_state = (z ^ (z >> 31)) | 1ull;
}

std::uint64_t Random::next() {
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return m_state * 0x2545F4914F6CDD1Dull;
}

double Random::uniform() {
    return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
}

double Random::bipolar() {
    return 2.0 * uniform() - 1.0;
}

const SineTable& SineTable::instance() {
    static const SineTable table;
    return table;
}

SineTable::SineTable() {
    for (std::size_t i = 0; i <= kSize; ++i) {
        values[i] = std::sin(kTwoPi * static_cast<double>(i) / kSize);
    }
}

Biquad Biquad::lowpass(double frequency, double q) {
    const double w = kTwoPi * frequency / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    const double coefficients[6] = {(1 - cw) / 2, 1 - cw,  (1 - cw) / 2,
                                    1 + alpha,    -2 * cw, 1 - alpha};
    return Biquad(coefficients);
}

Biquad Biquad::highpass(double frequency, double q) {
    const double w = kTwoPi * frequency / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    const double coefficients[6] = {(1 + cw) / 2, -(1 + cw), (1 + cw) / 2,
                                    1 + alpha,    -2 * cw,   1 - alpha};
    return Biquad(coefficients);
}

Biquad Biquad::bandpass(double frequency, double q) {
    const double w = kTwoPi * frequency / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    const double coefficients[6] = {alpha, 0.0, -alpha, 1 + alpha, -2 * cw, 1 - alpha};
    return Biquad(coefficients);
}

Biquad Biquad::peaking(double frequency, double q, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = kTwoPi * frequency / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    const double coefficients[6] = {1 + alpha * a, -2 * cw, 1 - alpha * a,
                                    1 + alpha / a, -2 * cw, 1 - alpha / a};
    return Biquad(coefficients);
}

Biquad::Biquad(const double (&c)[6])
    : m_b0(c[0] / c[3]),
      m_b1(c[1] / c[3]),
      m_b2(c[2] / c[3]),
      m_a1(c[4] / c[3]),
      m_a2(c[5] / c[3]) {}

Resonator::Resonator(double frequency, double decaySeconds) {
    const double r = std::exp(-1.0 / (decaySeconds * kSampleRate));
    const double w = kTwoPi * frequency / kSampleRate;
    m_c1 = 2.0 * r * std::cos(w);
    m_c2 = -r * r;
    // The impulse response is r^n sin((n+1)w) / sin(w): scaling by sin(w)
    // makes a unit impulse ring with unit amplitude at any frequency.
    m_gain = std::sin(w);
}

double PinkFilter::process(double white) {
    // Poles of the 44.1 kHz design moved so that their frequencies in Hz stay
    // the same at 48 kHz.
    static constexpr double kPoles[5] = {0.998953, 0.993861, 0.971482, 0.876647, 0.577375};
    static constexpr double kGains[5] = {0.0555179, 0.0750759, 0.1538520, 0.3104856, 0.5329522};
    double sum = 0.0;
    for (int i = 0; i < 5; ++i) {
        m_b[i] = kPoles[i] * m_b[i] + white * kGains[i];
        sum += m_b[i];
    }
    m_b[5] = -0.7616 * m_b[5] - white * 0.0168980;
    const double pink = sum + m_b[5] + m_b[6] + white * 0.5362;
    m_b[6] = white * 0.115926;
    return pink * 0.11;
}

double midiToFrequency(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

}  // namespace assetgen
