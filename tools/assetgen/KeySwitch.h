#pragma once

// Mechanical key and mouse switches, modelled the way a struck object is: each
// contact inside the switch (a click jacket snapping, a tactile bump, the stem
// bottoming out, the stem returning to the top) is an impact, a noise burst of
// a fraction of a millisecond to a few milliseconds whose spectrum follows the
// hardness of what meets. The impacts drive one body of decaying resonances
// (keycap, plate and case), the steel spring may ping, and the parts rattle a
// little while the body dies away. A recorded key press looks like this on a
// spectrogram: a broadband burst, a short resonant body, a noisy decay.

#include <string_view>
#include <vector>

#include "Clicks.h"

namespace assetgen {

struct Impact {
    double time;  // seconds after the onset
    double gain;
    double contact;   // how long the two surfaces touch, seconds (0.3 to 3 ms)
    double hardness;  // 0: soft and dark (a damped stem) .. 1: hard and bright (a metal leaf)
    double drive;     // share of the impact that sets the body ringing; the rest is heard directly
};

// The resonances of one part (keycap, plate or case): `modes` modes spread
// between two frequencies. A part's higher modes die away faster.
struct BodyPart {
    double low;   // Hz
    double high;  // Hz
    int modes;
    double decay;  // time constant of the lowest mode, seconds
    double gain;
};

struct SwitchRecipe {
    std::string_view name;
    double length;  // seconds
    double highpass;
    std::vector<Impact> impacts;
    std::vector<BodyPart> body;
    std::vector<Mode> springs;  // a steel spring ringing on after the press; empty when damped
    double rattle;              // level of the noise heard while the body decays
    double bounce;              // level of each rebound relative to the contact before it
};

const std::vector<SwitchRecipe>& switchRecipes();

// Renders, finishes (peak, DC, fades) and returns one switch sound.
Mono renderSwitch(const SwitchRecipe& recipe, std::uint64_t seed);

// Each key switch's press without its return ("<name>_down") and its return
// stroke ("<name>_up"), for sounding a key's press and release apart
// (SwitchStrokes.cpp); renderStroke plays the return lighter than the press.
const std::vector<SwitchRecipe>& keyStrokeRecipes();
Mono renderStroke(const SwitchRecipe& recipe, std::uint64_t seed);

// The same two strokes for every class of keys and every take of it
// ("<name>_<class>_<take>_down" and "..._up", sound/KeyClasses.h): each row
// of the main block a slight variant, the long keys with a longer keycap
// and a stabiliser; rendered with renderStroke.
const std::vector<SwitchRecipe>& keyVariantRecipes();

}  // namespace assetgen
