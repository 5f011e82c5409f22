#pragma once

// What one click in a recording sounds like, enough to tell two sounds apart:
// its strongest frequency, how much of its energy lies near that frequency
// (a pure tone: near 1; a click's burst of noise: low), and how much louder
// its left channel is than its right. Measured over the first 15 ms after the
// onset.

#include <cmath>
#include <cstdint>
#include <vector>

namespace quib::e2e {

struct OnsetTone {
    double hz = 0.0;
    double purity = 0.0;
    double balanceDb = 0.0;  // left over right
};

inline OnsetTone describeOnset(const std::vector<float>& interleaved, std::int64_t onset,
                               int rate) {
    constexpr double kWindowSeconds = 0.015;
    constexpr double kLowest = 100.0;
    constexpr double kHighest = 12000.0;
    constexpr double kStep = 25.0;
    constexpr double kNear = 150.0;
    const auto length = static_cast<std::size_t>(kWindowSeconds * rate);
    std::vector<double> mono;
    double left = 0.0;
    double right = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t at = (static_cast<std::size_t>(onset) + i) * 2;
        if (at + 1 >= interleaved.size()) {
            break;
        }
        const double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / length);
        const auto l = static_cast<double>(interleaved[at]);
        const auto r = static_cast<double>(interleaved[at + 1]);
        mono.push_back(hann * (l + r) / 2.0);
        left += l * l;
        right += r * r;
    }
    std::vector<double> powers;
    for (double hz = kLowest; hz <= kHighest; hz += kStep) {
        double re = 0.0;
        double im = 0.0;
        for (std::size_t i = 0; i < mono.size(); ++i) {
            const double phase = 2.0 * M_PI * hz * static_cast<double>(i) / rate;
            re += mono[i] * std::cos(phase);
            im -= mono[i] * std::sin(phase);
        }
        powers.push_back(re * re + im * im);
    }
    OnsetTone tone;
    double total = 0.0;
    std::size_t peak = 0;
    for (std::size_t i = 0; i < powers.size(); ++i) {
        total += powers[i];
        peak = powers[i] > powers[peak] ? i : peak;
    }
    tone.hz = kLowest + kStep * static_cast<double>(peak);
    double near = 0.0;
    for (std::size_t i = 0; i < powers.size(); ++i) {
        near +=
            std::abs(kLowest + kStep * static_cast<double>(i) - tone.hz) <= kNear ? powers[i] : 0.0;
    }
    tone.purity = total > 0.0 ? near / total : 0.0;
    tone.balanceDb = left > 0.0 && right > 0.0 ? 10.0 * std::log10(left / right) : 0.0;
    return tone;
}

}  // namespace quib::e2e
