#pragma once

// The two figures that tell one key switch from another on a recording: the
// timbre of the onset and how long the sound lasts. Both work on mono audio
// at the output rate (48 kHz).

#include <cstddef>
#include <vector>

namespace quib::bench {

struct SoundFigures {
    double centroidHz = 0.0;  // spectral centroid of the 30 ms from the onset
    double decayMs = 0.0;     // onset to the last moment within 30 dB of the peak
};

// The onset is the first sample at 10 % of the peak. The centroid is the
// power-weighted mean frequency of a 4096-point FFT of the 30 ms from the
// onset under a Hann window; the decay ends at the centre of the last 1 ms
// window (sliding sample by sample from the onset) whose energy is within
// 30 dB of the loudest one's.
SoundFigures measureSound(const std::vector<double>& mono, int sampleRate);

double medianOf(std::vector<double> values);

}  // namespace quib::bench
