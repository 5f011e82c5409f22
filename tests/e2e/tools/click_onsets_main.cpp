// quib-click-onsets: reads a raw recording of the audio server's output
// (48 kHz, stereo, float32le, as `parec --format=float32le --rate=48000
// --channels=2 --raw` writes it) and prints either the click onsets, one time
// in seconds per line (with --describe, each followed by its strongest
// frequency in Hz, its purity and its left/right balance in dB, as
// OnsetTone.h measures them), or the RMS level of a stretch in dBFS. The onsets are
// found by the key-to-sound harness's detector (bench/latency/Onsets.h), with
// the settings of ClickCounting.h.
//
//   quib-click-onsets FILE
//   quib-click-onsets --describe FILE
//   quib-click-onsets --level FROM TO FILE
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ClickCounting.h"
#include "OnsetTone.h"

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;

// Frames [first, first + count) of the file, interleaved; fewer at its end.
std::vector<float> readFrames(std::FILE* file, long first, std::size_t count) {
    std::vector<float> samples(count * kChannels);
    std::fseek(file, first * static_cast<long>(sizeof(float)) * kChannels, SEEK_SET);
    const std::size_t frames = std::fread(samples.data(), sizeof(float) * kChannels, count, file);
    samples.resize(frames * kChannels);
    return samples;
}

int printOnsets(std::FILE* file, bool describe) {
    std::fseek(file, 0, SEEK_END);
    const auto frames = static_cast<std::size_t>(std::ftell(file)) / (sizeof(float) * kChannels);
    const std::vector<float> samples = readFrames(file, 0, frames);
    std::vector<float> envelope(samples.size() / kChannels);
    for (std::size_t i = 0; i < envelope.size(); ++i) {
        envelope[i] = std::max(std::fabs(samples[i * 2]), std::fabs(samples[i * 2 + 1]));
    }
    for (const std::int64_t onset :
         quib::bench::detectOnsets(envelope, kRate, quib::e2e::clickCountingOptions())) {
        std::printf("%.4f", static_cast<double>(onset) / kRate);
        if (describe) {
            const auto tone = quib::e2e::describeOnset(samples, onset, kRate);
            std::printf(" %.0f %.2f %.1f", tone.hz, tone.purity, tone.balanceDb);
        }
        std::printf("\n");
    }
    return 0;
}

int printLevel(std::FILE* file, double from, double to) {
    const auto first = static_cast<long>(std::max(0.0, from) * kRate);
    const auto last = static_cast<long>(std::max(from, to) * kRate);
    const std::vector<float> samples =
        readFrames(file, first, static_cast<std::size_t>(last - first));
    double sum = 0.0;
    for (const float sample : samples) {
        sum += static_cast<double>(sample) * static_cast<double>(sample);
    }
    const double rms = samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
    std::printf("%.1f\n", rms > 0.0 ? 20.0 * std::log10(rms) : -200.0);
    return samples.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool level = args.size() == 4 && args[0] == "--level";
    const bool describe = args.size() == 2 && args[0] == "--describe";
    if (!level && !describe && args.size() != 1) {
        std::fputs(
            "usage: quib-click-onsets FILE\n"
            "       quib-click-onsets --describe FILE\n"
            "       quib-click-onsets --level FROM TO FILE\n",
            stderr);
        return 2;
    }
    std::FILE* file = std::fopen(args.back().c_str(), "rb");
    if (file == nullptr) {
        std::perror(args.back().c_str());
        return 1;
    }
    const int status =
        level ? printLevel(file, std::atof(args[1].c_str()), std::atof(args[2].c_str()))
              : printOnsets(file, describe);
    std::fclose(file);
    return status;
}
