// The two strokes of a key switch as sounds of their own, for playing the
// press when a key goes down and the return when it comes back up. Both come
// from the switch's own recipe: the press keeps the impacts before the key
// returns; the return stroke is the recipe's return impacts (or, for a switch
// whose return makes no sound of its own, a softer repeat of its first
// impact) on the same body, made lighter, higher and shorter: the spring
// pushes the stem back up with less force than a finger pushes it down, the
// keycap is free of the finger, and nothing bottoms out.
#include <algorithm>
#include <deque>
#include <string>

#include "KeySwitch.h"

namespace assetgen {

namespace {

// The return stroke starts with the first impact this long after the press.
constexpr double kReturnAfter = 0.03;
// The return is played this much quieter than the press (about -6 dB).
constexpr double kReturnLevel = 0.5;

bool isKeyRecipe(const SwitchRecipe& recipe) {
    return recipe.name.find("mouse") == std::string_view::npos;
}

bool isReturnImpact(const Impact& impact) {
    return impact.time >= kReturnAfter;
}

// Names outlive the recipes that view them.
std::string_view keep(std::string name) {
    static std::deque<std::string> names;
    return names.emplace_back(std::move(name));
}

SwitchRecipe pressOf(const SwitchRecipe& recipe) {
    SwitchRecipe press = recipe;
    press.name = keep(std::string(recipe.name) + "_down");
    std::erase_if(press.impacts, isReturnImpact);
    return press;
}

SwitchRecipe returnOf(const SwitchRecipe& recipe) {
    SwitchRecipe stroke = recipe;
    stroke.name = keep(std::string(recipe.name) + "_up");
    std::vector<Impact> impacts;
    std::copy_if(recipe.impacts.begin(), recipe.impacts.end(), std::back_inserter(impacts),
                 isReturnImpact);
    if (impacts.empty()) {
        impacts = {recipe.impacts.front()};
        impacts.front().gain *= 0.6;
    }
    const double start = impacts.front().time;
    // The stem meets the top of its housing, plastic on plastic: a short,
    // hard contact that drives the body less than a bottom-out does.
    for (Impact& impact : impacts) {
        impact.time -= start;
        impact.hardness = std::min(1.0, impact.hardness + 0.15);
        impact.contact = std::max(0.0003, impact.contact * 0.7);
        impact.drive *= 0.8;
    }
    stroke.impacts = impacts;
    // Nothing presses the keycap into the plate and the case: their low
    // modes hardly ring, and what rings is damped sooner.
    for (std::size_t part = 0; part < stroke.body.size(); ++part) {
        BodyPart& body = stroke.body[part];
        body.low *= 1.3;
        body.high *= 1.3;
        body.decay *= 0.6;
        body.gain *= part == 0 ? 1.0 : (part == 1 ? 0.8 : 0.5);
    }
    for (Mode& spring : stroke.springs) {
        spring.gain *= 0.5;
    }
    stroke.length = std::min(0.6 * recipe.length, 0.07);
    stroke.highpass *= 1.6;
    stroke.rattle *= 0.6;
    return stroke;
}

std::vector<SwitchRecipe> buildStrokes() {
    std::vector<SwitchRecipe> strokes;
    for (const SwitchRecipe& recipe : switchRecipes()) {
        if (isKeyRecipe(recipe)) {
            strokes.push_back(pressOf(recipe));
            strokes.push_back(returnOf(recipe));
        }
    }
    return strokes;
}

}  // namespace

const std::vector<SwitchRecipe>& keyStrokeRecipes() {
    static const std::vector<SwitchRecipe> strokes = buildStrokes();
    return strokes;
}

Mono renderStroke(const SwitchRecipe& recipe, std::uint64_t seed) {
    Mono out = renderSwitch(recipe, seed);
    if (recipe.name.ends_with("_up")) {
        for (double& value : out) {
            value *= kReturnLevel;
        }
    }
    return out;
}

}  // namespace assetgen
