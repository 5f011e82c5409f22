// Measures of the first milliseconds of a click: whether it starts as a
// broadband impact, as a struck key does, or as a few clean partials.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "AudioAnalysis.h"

namespace quib::test {

namespace {

// Long enough for a 10 ms window at 48 kHz, and the same bin layout for any
// rate up to that: the measures compare recordings at 44.1 kHz with ours.
constexpr std::size_t kAttackFft = 2048;

// Bins of `power` whose frequency lies in [low, high).
std::vector<double> band(const std::vector<double>& power, int sampleRate, double low,
                         double high) {
    std::vector<double> out;
    const double binWidth =
        static_cast<double>(sampleRate) / (2.0 * static_cast<double>(power.size()));
    for (std::size_t k = 0; k < power.size(); ++k) {
        const double frequency = static_cast<double>(k) * binWidth;
        if (frequency >= low && frequency < high) {
            out.push_back(power[k]);
        }
    }
    return out;
}

}  // namespace

std::vector<double> attackOf(const std::vector<double>& x, int sampleRate) {
    const std::size_t start = std::min(onsetIndex(x, 0.1), x.size());
    const std::size_t length =
        std::min(static_cast<std::size_t>(sampleRate / 100), x.size() - start);
    std::vector<double> out(x.begin() + static_cast<std::ptrdiff_t>(start),
                            x.begin() + static_cast<std::ptrdiff_t>(start + length));
    const std::size_t half = length / 2;
    for (std::size_t i = half; i < length; ++i) {
        const double phase = static_cast<double>(i - half) / static_cast<double>(length - half);
        out[i] *= 0.5 + 0.5 * std::cos(std::numbers::pi * phase);
    }
    return out;
}

double spectralFlatness(const std::vector<double>& x, int sampleRate) {
    const std::vector<double> power =
        band(powerSpectrum(x, kAttackFft, false), sampleRate, 100.0, 16000.0);
    double logSum = 0.0;
    double sum = 0.0;
    for (const double p : power) {
        logSum += std::log(std::max(p, 1e-30));
        sum += p;
    }
    if (power.empty() || sum <= 0.0) {
        return 0.0;
    }
    const double count = static_cast<double>(power.size());
    return std::exp(logSum / count) / (sum / count);
}

double powerShareAbove(const std::vector<double>& x, int sampleRate, double frequency) {
    const std::vector<double> power = powerSpectrum(x, kAttackFft, false);
    double above = 0.0;
    double total = 0.0;
    for (const double p : band(power, sampleRate, 20.0, 20000.0)) {
        total += p;
    }
    for (const double p : band(power, sampleRate, frequency, 20000.0)) {
        above += p;
    }
    return total > 0.0 ? above / total : 0.0;
}

double medianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

}  // namespace quib::test
