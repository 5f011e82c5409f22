#pragma once

// Final touches applied to every generated sound before it is written, and the
// helpers that make loops seamless by construction: events that run past the
// loop end wrap around to its start, and stateful filters run over the loop
// twice so that their state at the start already holds the end's history.

#include "Dsp.h"

namespace assetgen {

// Adds `source` into `target` starting at `start`, wrapping past the end;
// the source's last three milliseconds are faded out.
void addWrapped(Mono& target, std::size_t start, const Mono& source, double gain);
void addWrapped(Stereo& target, std::size_t start, const Mono& source, double gain, double pan);

// Runs `process` (one sample in, one out) over the periodic signal twice and
// keeps the second pass, so the result is itself periodic.
template <typename Process>
void filterCircular(Mono& signal, Process&& process) {
    for (const double value : signal) {
        process(value);
    }
    for (double& value : signal) {
        value = process(value);
    }
}

// Removes DC, fades the tail to silence and sets the peak to -3 dBFS.
void finishClick(Mono& samples);

// Scales a loop to the given RMS level (both channels together) and rounds off
// the rare peaks above the ceiling; a pointwise curve keeps the loop seamless.
void masterLoop(Stereo& audio, double rmsDb);

double rmsOf(const Stereo& audio);

}  // namespace assetgen
