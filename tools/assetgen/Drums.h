#pragma once

// Drum one-shots for the music tracks, all synthesised from sines and noise.

#include "Dsp.h"

namespace assetgen {

Mono kick(Random& random, double punch);    // punch 0..1: click and pitch sweep
Mono snare(Random& random, double snappy);  // snappy 0..1: share of the wires
Mono gatedSnare(Random& random);            // big snare whose room is cut off short
Mono hiHat(Random& random, bool open);
Mono rimClick(Random& random);
Mono brushTap(Random& random);
Mono brushSwish(Random& random, double seconds);
Mono ride(Random& random);
Mono vinylTick(Random& random);

}  // namespace assetgen
