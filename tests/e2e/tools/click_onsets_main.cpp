// quib-click-onsets: reads a raw recording of the audio server's output
// (48 kHz, stereo, float32le, as `parec --format=float32le --rate=48000
// --channels=2 --raw` writes it) and prints either the click onsets, one time
// in seconds per line, or the RMS level of a stretch in dBFS.
//
//   quib-click-onsets [--threshold LEVEL] FILE
//   quib-click-onsets --level FROM TO FILE
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ClickOnsets.h"

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;

int usage() {
    std::fputs(
        "usage: quib-click-onsets [--threshold LEVEL] FILE\n"
        "       quib-click-onsets --level FROM TO FILE\n",
        stderr);
    return 2;
}

int printOnsets(std::FILE* file, float threshold) {
    quib::e2e::OnsetOptions options;
    options.threshold = threshold;
    quib::e2e::OnsetDetector detector(options);
    std::vector<float> chunk(4800 * kChannels);
    std::size_t frames = 0;
    while ((frames = std::fread(chunk.data(), sizeof(float) * kChannels, 4800, file)) > 0) {
        detector.feed(chunk.data(), frames);
    }
    for (const double onset : detector.onsets()) {
        std::printf("%.4f\n", onset);
    }
    return 0;
}

int printLevel(std::FILE* file, double from, double to) {
    const auto first = static_cast<long>(std::max(0.0, from) * kRate);
    const auto last = static_cast<long>(std::max(from, to) * kRate);
    std::vector<float> samples(static_cast<std::size_t>(last - first) * kChannels);
    std::fseek(file, first * static_cast<long>(sizeof(float)) * kChannels, SEEK_SET);
    const std::size_t frames =
        std::fread(samples.data(), sizeof(float) * kChannels, samples.size() / kChannels, file);
    samples.resize(frames * kChannels);
    const double rms = quib::e2e::rmsLevel(samples, kChannels, 0, frames);
    std::printf("%.1f\n", rms > 0.0 ? 20.0 * std::log10(rms) : -200.0);
    return frames > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "--level") {
        std::FILE* file = std::fopen(args[3].c_str(), "rb");
        if (file == nullptr) {
            std::perror(args[3].c_str());
            return 1;
        }
        const int status = printLevel(file, std::atof(args[1].c_str()), std::atof(args[2].c_str()));
        std::fclose(file);
        return status;
    }
    float threshold = quib::e2e::OnsetOptions{}.threshold;
    if (args.size() == 3 && args[0] == "--threshold") {
        threshold = std::strtof(args[1].c_str(), nullptr);
    } else if (args.size() != 1) {
        return usage();
    }
    std::FILE* file = std::fopen(args.back().c_str(), "rb");
    if (file == nullptr) {
        std::perror(args.back().c_str());
        return 1;
    }
    const int status = printOnsets(file, threshold);
    std::fclose(file);
    return status;
}
