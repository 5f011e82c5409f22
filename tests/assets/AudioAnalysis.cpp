#include "AudioAnalysis.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace quib::test {

std::vector<double> Audio::channel(int index) const {
    std::vector<double> out(frames());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(index)];
    }
    return out;
}

std::vector<double> Audio::monoMix() const {
    std::vector<double> out(frames(), 0.0);
    for (int c = 0; c < channels; ++c) {
        const std::vector<double> one = channel(c);
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] += one[i] / channels;
        }
    }
    return out;
}

std::optional<Audio> readAudio(const std::string& path, std::size_t maxFrames) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return std::nullopt;
    }
    Audio audio;
    audio.sampleRate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    const sf_count_t wanted = static_cast<std::size_t>(info.frames) > maxFrames
                                  ? static_cast<sf_count_t>(maxFrames)
                                  : info.frames;
    audio.samples.resize(static_cast<std::size_t>(wanted * info.channels));
    const sf_count_t read = sf_readf_double(file, audio.samples.data(), wanted);
    sf_close(file);
    if (read != wanted) {
        return std::nullopt;
    }
    return audio;
}

std::string resourcePath(const std::string& relative) {
    return std::string(QUIB_TEST_RESOURCE_DIR) + "/" + relative;
}

double peakOf(const std::vector<double>& x) {
    double peak = 0.0;
    for (const double v : x) {
        peak = std::max(peak, std::abs(v));
    }
    return peak;
}

double rmsOf(const std::vector<double>& x) {
    double sum = 0.0;
    for (const double v : x) {
        sum += v * v;
    }
    return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

double meanOf(const std::vector<double>& x) {
    double sum = 0.0;
    for (const double v : x) {
        sum += v;
    }
    return x.empty() ? 0.0 : sum / static_cast<double>(x.size());
}

double toDb(double gain) {
    return 20.0 * std::log10(std::max(gain, 1e-12));
}

std::size_t onsetIndex(const std::vector<double>& x, double fraction) {
    const double threshold = peakOf(x) * fraction;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::abs(x[i]) >= threshold) {
            return i;
        }
    }
    return x.size();
}

namespace {

using Complex = std::complex<double>;

void fft(std::vector<Complex>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(length);
        const Complex root(std::cos(angle), std::sin(angle));
        for (std::size_t start = 0; start < n; start += length) {
            Complex w(1.0);
            for (std::size_t k = 0; k < length / 2; ++k) {
                const Complex u = a[start + k];
                const Complex v = a[start + k + length / 2] * w;
                a[start + k] = u + v;
                a[start + k + length / 2] = u - v;
                w *= root;
            }
        }
    }
}

}  // namespace

std::vector<double> powerSpectrum(const std::vector<double>& x, std::size_t size, bool hann) {
    std::vector<Complex> buffer(size, Complex(0.0));
    for (std::size_t i = 0; i < std::min(size, x.size()); ++i) {
        const double w =
            hann ? 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                        static_cast<double>(size))
                 : 1.0;
        buffer[i] = Complex(x[i] * w);
    }
    fft(buffer);
    std::vector<double> power(size / 2);
    for (std::size_t k = 0; k < power.size(); ++k) {
        power[k] = std::norm(buffer[k]);
    }
    return power;
}

double spectralCentroid(const std::vector<double>& x, int sampleRate) {
    std::size_t size = 1;
    while (size < x.size()) {
        size <<= 1;
    }
    const std::vector<double> power = powerSpectrum(x, size * 2, false);
    double weighted = 0.0;
    double total = 0.0;
    for (std::size_t k = 0; k < power.size(); ++k) {
        const double frequency =
            static_cast<double>(k) * sampleRate / static_cast<double>(2 * size);
        weighted += frequency * power[k];
        total += power[k];
    }
    return total > 0.0 ? weighted / total : 0.0;
}

double decayTime(const std::vector<double>& x, int sampleRate) {
    const auto window = static_cast<std::size_t>(sampleRate / 1000);
    std::vector<double> envelope;
    for (std::size_t start = 0; start + window <= x.size(); start += window) {
        envelope.push_back(rmsOf({x.begin() + static_cast<std::ptrdiff_t>(start),
                                  x.begin() + static_cast<std::ptrdiff_t>(start + window)}));
    }
    const auto peak = std::max_element(envelope.begin(), envelope.end());
    const double threshold = *peak * std::pow(10.0, -30.0 / 20.0);
    std::size_t last = static_cast<std::size_t>(peak - envelope.begin());
    for (std::size_t i = last; i < envelope.size(); ++i) {
        if (envelope[i] > threshold) {
            last = i;
        }
    }
    return static_cast<double>(last - static_cast<std::size_t>(peak - envelope.begin())) / 1000.0;
}

std::vector<double> powerPerOctave(const std::vector<double>& x, int sampleRate,
                                   const std::vector<double>& edges) {
    constexpr std::size_t kSize = 8192;
    std::vector<double> psd(kSize / 2, 0.0);
    for (std::size_t start = 0; start + kSize <= x.size(); start += kSize / 2) {
        const std::vector<double> part(x.begin() + static_cast<std::ptrdiff_t>(start),
                                       x.begin() + static_cast<std::ptrdiff_t>(start + kSize));
        const std::vector<double> power = powerSpectrum(part, kSize, true);
        for (std::size_t k = 0; k < psd.size(); ++k) {
            psd[k] += power[k];
        }
    }
    std::vector<double> result;
    const double binWidth = static_cast<double>(sampleRate) / kSize;
    for (std::size_t band = 0; band + 1 < edges.size(); ++band) {
        double sum = 0.0;
        for (std::size_t k = 0; k < psd.size(); ++k) {
            const double frequency = static_cast<double>(k) * binWidth;
            if (frequency >= edges[band] && frequency < edges[band + 1]) {
                sum += psd[k];
            }
        }
        result.push_back(sum / std::log2(edges[band + 1] / edges[band]));
    }
    return result;
}

double stepQuantile(const std::vector<double>& x, double quantile) {
    std::vector<double> steps(x.size() - 1);
    for (std::size_t i = 0; i + 1 < x.size(); ++i) {
        steps[i] = std::abs(x[i + 1] - x[i]);
    }
    const auto nth = static_cast<std::ptrdiff_t>(quantile * static_cast<double>(steps.size() - 1));
    std::nth_element(steps.begin(), steps.begin() + nth, steps.end());
    return steps[static_cast<std::size_t>(nth)];
}

}  // namespace quib::test
