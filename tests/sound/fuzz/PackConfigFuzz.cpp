// libFuzzer target for the pack config reader: any text must give a config
// within its bounds or a problem, never an exception or a crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sound/packs/PackConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const auto config = quib::parsePackConfig(text, problem);
    if (!config) {
        if (problem.empty()) {
            std::abort();
        }
        return 0;
    }
    for (const auto& define : config->defines) {
        if (!std::isfinite(define.startMs) || define.startMs < 0.0 ||
            define.startMs > quib::kLongestCutMs || !std::isfinite(define.durationMs) ||
            define.durationMs < 0.0 || define.durationMs > quib::kLongestCutMs) {
            std::abort();
        }
        if (const auto names = quib::expandFileRange(define.file);
            names && (names->empty() || names->size() > quib::kMostTakes)) {
            std::abort();
        }
    }
    return 0;
}
