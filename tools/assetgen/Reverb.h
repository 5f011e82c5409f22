#pragma once

#include "Dsp.h"

namespace assetgen {

// A Schroeder-Moorer stereo reverb (eight damped combs and four all-passes per
// channel). Run over the loop twice so the start already holds the tail of
// the end. `wet` and `dry` are the levels of the reverberation and of the
// original in the result.
void reverbLoop(Stereo& audio, double roomSize, double damping, double wet, double dry = 1.0);

}  // namespace assetgen
