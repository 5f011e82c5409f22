#pragma once

#include "latency/Onsets.h"

namespace quib::e2e {

// The detector's settings for counting clicks in the end-to-end tests. Their
// input comes at least 40 ms apart (auto-repeat), so a click that starts again
// within 15 ms of the last is one click cut by a dropout in the stream (seen
// on a loaded machine: 8 ms of silence 5 ms into a click), not a second one.
inline bench::OnsetOptions clickCountingOptions() {
    bench::OnsetOptions options;
    options.refractoryMillis = 15;
    return options;
}

}  // namespace quib::e2e
