// libFuzzer target for the sample decoder: any bytes must give either a
// sample within its stated bounds or a readable error, never a crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/audio/SampleLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const quib::SampleLoad load = quib::loadSampleFromMemory(std::span(data, size));
    if (!load.sample) {
        if (load.error.empty()) {
            std::abort();
        }
        return 0;
    }
    const quib::Sample& sample = *load.sample;
    if (sample.channels < 1 || sample.channels > 2 ||
        sample.data.size() != static_cast<std::size_t>(sample.frames * sample.channels)) {
        std::abort();
    }
    for (float value : sample.data) {
        if (!std::isfinite(value) || std::fabs(value) > 1.0F) {
            std::abort();
        }
    }
    return 0;
}
