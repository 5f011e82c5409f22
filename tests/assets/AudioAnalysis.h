#pragma once

// Reading generated WAV files and the measurements the asset tests make on
// them. Everything works on doubles in [-1, 1].

#include <optional>
#include <string>
#include <vector>

namespace quib::test {

struct Audio {
    int sampleRate = 0;
    int channels = 0;
    int format = 0;               // libsndfile format word
    std::vector<double> samples;  // interleaved
    std::size_t frames() const {
        return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
    std::vector<double> channel(int index) const;
    std::vector<double> monoMix() const;
};

// Reads at most `maxFrames` frames (all by default); absent if the file is
// missing or shorter than its header claims.
std::optional<Audio> readAudio(const std::string& path,
                               std::size_t maxFrames = static_cast<std::size_t>(-1));
std::string resourcePath(const std::string& relative);

double peakOf(const std::vector<double>& x);
double rmsOf(const std::vector<double>& x);
double meanOf(const std::vector<double>& x);
double toDb(double gain);

// Index of the first sample whose magnitude reaches `fraction` of the peak.
std::size_t onsetIndex(const std::vector<double>& x, double fraction);
// Power-weighted mean frequency of the whole sound, in Hz.
double spectralCentroid(const std::vector<double>& x, int sampleRate);
// Seconds from the peak until the 1 ms RMS envelope last exceeds -30 dB of its maximum.
double decayTime(const std::vector<double>& x, int sampleRate);
// Power in each band [edges[i], edges[i+1]) divided by the band's width in
// octaves (Welch average over Hann windows): constant for pink noise.
std::vector<double> powerPerOctave(const std::vector<double>& x, int sampleRate,
                                   const std::vector<double>& edges);
// The given quantile (0..1) of |x[i+1] - x[i]| over the whole signal.
double stepQuantile(const std::vector<double>& x, double quantile);
// Power of bins 0 .. size/2 - 1 of the size-point FFT of x (zero-padded or
// cut to size), optionally under a Hann window.
std::vector<double> powerSpectrum(const std::vector<double>& x, std::size_t size, bool hann);

// The first ten milliseconds of a key press, from the first sample that
// reaches a tenth of the peak. The window's second half fades out, so that
// cutting the sound off adds no broadband energy of its own.
std::vector<double> attackOf(const std::vector<double>& x, int sampleRate);
// Geometric over arithmetic mean of the power spectrum between 100 Hz and
// 16 kHz: near 1 for noise, near 0 for a few clean partials.
double spectralFlatness(const std::vector<double>& x, int sampleRate);
// Share of the power between 20 Hz and 20 kHz that lies above `frequency`.
double powerShareAbove(const std::vector<double>& x, int sampleRate, double frequency);
double medianOf(std::vector<double> values);

}  // namespace quib::test
