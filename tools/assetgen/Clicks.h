#pragma once

// Click samples for the soft, synthetic and system-style profiles (a tink, a
// tock, a tap on glass). Each click is a short sequence of strikes: every
// strike is a burst of filtered noise that excites a handful of decaying modes,
// and part of the burst is also heard directly as the contact noise. These
// sounds may be tonal; the profiles named after mechanical switches are
// modelled in KeySwitch.h.

#include <string_view>
#include <vector>

#include "Dsp.h"

namespace assetgen {

struct Mode {
    double frequency;  // Hz
    double decay;      // amplitude time constant, seconds
    double gain;
};

struct Strike {
    double time;  // seconds after the onset
    double gain;
    double burst;       // length of the exciting noise burst, seconds
    double brightness;  // low-pass corner of the excitation, Hz
    double contact;     // level of the burst heard directly
    std::vector<Mode> modes;
    double sweepTo = 0.0;  // when set, the contact noise is a band sweeping here
};

struct ClickRecipe {
    std::string_view name;
    double length;  // seconds
    double highpass;
    double lowpass;
    std::vector<Strike> strikes;
};

const std::vector<ClickRecipe>& clickRecipes();

// Renders, finishes (peak, DC, fades) and returns one click.
Mono renderClick(const ClickRecipe& recipe, std::uint64_t seed);

}  // namespace assetgen
