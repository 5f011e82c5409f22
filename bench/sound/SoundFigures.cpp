#include "sound/SoundFigures.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace quib::bench {

namespace {

constexpr std::size_t kFftSize = 4096;
constexpr double kOnsetFraction = 0.1;
constexpr double kCentroidSeconds = 0.030;
constexpr double kDecayBelowPeakDb = 30.0;

// In-place radix-2 FFT; the size is a power of two.
void fft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += length) {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> u = x[i + k];
                const std::complex<double> v = x[i + k + length / 2] * w;
                x[i + k] = u + v;
                x[i + k + length / 2] = u - v;
                w *= step;
            }
        }
    }
}

std::size_t onsetOf(const std::vector<double>& x) {
    double peak = 0.0;
    for (const double value : x) {
        peak = std::max(peak, std::abs(value));
    }
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::abs(x[i]) >= kOnsetFraction * peak) {
            return i;
        }
    }
    return 0;
}

double centroidFrom(const std::vector<double>& x, std::size_t onset, int rate) {
    const auto length = std::min<std::size_t>(
        {static_cast<std::size_t>(kCentroidSeconds * rate), x.size() - onset, kFftSize});
    std::vector<std::complex<double>> spectrum(kFftSize);
    for (std::size_t i = 0; i < length; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                                 static_cast<double>(length - 1));
        spectrum[i] = x[onset + i] * hann;
    }
    fft(spectrum);
    double weighted = 0.0;
    double total = 0.0;
    for (std::size_t bin = 1; bin <= kFftSize / 2; ++bin) {
        const double magnitude = std::norm(spectrum[bin]);
        weighted += magnitude * static_cast<double>(bin) * rate / static_cast<double>(kFftSize);
        total += magnitude;
    }
    return total > 0.0 ? weighted / total : 0.0;
}

// The energy of the 1 ms window centred on every sample from the onset on.
double decayFrom(const std::vector<double>& x, std::size_t onset, int rate) {
    const auto window = static_cast<std::size_t>(rate / 1000);
    if (x.size() < onset + window) {
        return 0.0;
    }
    std::vector<double> energy;
    double sum = 0.0;
    for (std::size_t i = onset; i < onset + window; ++i) {
        sum += x[i] * x[i];
    }
    energy.push_back(sum);
    for (std::size_t i = onset + window; i < x.size(); ++i) {
        sum += x[i] * x[i] - x[i - window] * x[i - window];
        energy.push_back(sum);
    }
    const double floor =
        *std::max_element(energy.begin(), energy.end()) * std::pow(10.0, -kDecayBelowPeakDb / 10.0);
    std::size_t last = 0;
    for (std::size_t k = 0; k < energy.size(); ++k) {
        if (energy[k] >= floor) {
            last = k;
        }
    }
    return (static_cast<double>(last) + 0.5 * static_cast<double>(window)) * 1000.0 / rate;
}

}  // namespace

SoundFigures measureSound(const std::vector<double>& mono, int sampleRate) {
    if (mono.size() < 2 || sampleRate <= 0) {
        return {};
    }
    const std::size_t onset = onsetOf(mono);
    return {centroidFrom(mono, onset, sampleRate), decayFrom(mono, onset, sampleRate)};
}

double medianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

}  // namespace quib::bench
