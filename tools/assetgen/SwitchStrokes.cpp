// The two strokes of a key switch as sounds of their own, for playing the
// press when a key goes down and the return when it comes back up. Both come
// from the switch's own recipe: the press keeps the impacts before the key
// returns; the return stroke is the recipe's return impacts (or, for a switch
// whose return makes no sound of its own, a softer repeat of its first
// impact) on the same body, made lighter, higher and shorter: the spring
// pushes the stem back up with less force than a finger pushes it down, the
// keycap is free of the finger, and nothing bottoms out.
#include <algorithm>
#include <array>
#include <deque>
#include <string>

#include "KeySwitch.h"
#include "sound/KeyClasses.h"

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

// How a class of keys differs from the switch's plain key. Rows: a sculpted
// keycap of another height rings a few percent higher or lower. Long keys: a
// longer keycap has lower, longer modes, and its stabiliser's wire knocks in
// its housings just after the stem lands and again when it returns, and
// rattles a little. Its knocks are as hard as the switch's own contacts.
struct KeyShape {
    double keycap;       // keycap modes' frequencies, relative
    double keycapDecay;  // keycap modes' decay, relative
    double plate;        // plate modes' frequencies, relative
    double stabiliser;   // 0: none .. 1: the space bar's
};

// In the order of quib::KeyClass.
constexpr std::array<KeyShape, quib::kKeyClassCount> kShapes{{
    {1.04, 1.0, 1.02, 0.0},  // number row: the tallest caps
    {1.01, 1.0, 1.0, 0.0},
    {0.98, 1.0, 0.99, 0.0},  // home row
    {0.96, 1.05, 0.98, 0.0},
    {0.55, 2.2, 0.85, 1.0},  // space bar, 6.25 units
    {0.74, 1.6, 0.92, 0.7},  // Enter, 2.25 units
    {0.78, 1.5, 0.94, 0.6},  // Backspace, 2 units
    {0.72, 1.6, 0.92, 0.7},  // Shift, 2.25 and 2.75 units
}};

constexpr double kStabiliserDelay = 0.0025;
constexpr double kStabiliserWire = 2300.0;  // Hz: the wire's ping

// The impact that presses the keycap into the board: the strongest drive
// among those before the return.
const Impact* landingImpact(const std::vector<Impact>& impacts) {
    const Impact* best = nullptr;
    for (const Impact& impact : impacts) {
        if (!isReturnImpact(impact) && (best == nullptr || impact.drive >= best->drive)) {
            best = &impact;
        }
    }
    return best;
}

void addStabiliser(SwitchRecipe& key, double level) {
    std::vector<Impact> wire;
    if (const Impact* landing = landingImpact(key.impacts)) {
        wire.push_back({landing->time + kStabiliserDelay, 0.25 * level * landing->gain, 0.0004,
                        std::min(1.0, landing->hardness + 0.1), 0.7});
    }
    for (const Impact& impact : key.impacts) {
        if (isReturnImpact(impact)) {
            wire.push_back({impact.time + kStabiliserDelay, 0.2 * level * impact.gain, 0.0004,
                            std::min(1.0, impact.hardness + 0.1), 0.7});
            break;
        }
    }
    key.impacts.insert(key.impacts.end(), wire.begin(), wire.end());
    std::sort(key.impacts.begin(), key.impacts.end(),
              [](const Impact& a, const Impact& b) { return a.time < b.time; });
    // The wire rings as loud as the board lets it: a muted board mutes it too.
    key.springs.push_back({kStabiliserWire, 0.03, 0.08 * level * key.body.front().gain});
    key.rattle *= 1.0 + 0.3 * level;
}

// One take of one class of keys: the class's shape, and the small
// differences between two presses of the same key (a finger never lands
// quite the same way twice), drawn from the take's number.
SwitchRecipe keyVariant(const SwitchRecipe& recipe, std::size_t keyClass, int take) {
    SwitchRecipe key = recipe;
    key.name = keep(std::string(recipe.name) + "_" + std::string(quib::kKeyClassNames[keyClass]) +
                    "_" + std::to_string(take));
    const KeyShape& shape = kShapes[keyClass];
    BodyPart& keycap = key.body.front();
    keycap.low *= shape.keycap;
    keycap.high *= shape.keycap;
    keycap.decay *= shape.keycapDecay;
    if (key.body.size() > 1) {
        key.body[1].low *= shape.plate;
        key.body[1].high *= shape.plate;
    }
    if (shape.stabiliser > 0.0) {
        addStabiliser(key, shape.stabiliser);
    }
    Random random(0x9E3779B97F4A7C15ull * (keyClass * 16 + static_cast<std::size_t>(take)));
    for (Impact& impact : key.impacts) {
        if (impact.time > 0.0) {
            impact.time *= random.range(0.94, 1.06);
        }
        impact.gain *= random.range(0.85, 1.0);
        impact.hardness = std::clamp(impact.hardness + random.range(-0.04, 0.04), 0.0, 1.0);
    }
    return key;
}

std::vector<SwitchRecipe> buildVariants() {
    std::vector<SwitchRecipe> strokes;
    for (const SwitchRecipe& recipe : switchRecipes()) {
        if (!isKeyRecipe(recipe)) {
            continue;
        }
        for (std::size_t keyClass = 0; keyClass < quib::kKeyClassCount; ++keyClass) {
            for (int take = 1; take <= quib::kKeyTakes; ++take) {
                const SwitchRecipe key = keyVariant(recipe, keyClass, take);
                strokes.push_back(pressOf(key));
                strokes.push_back(returnOf(key));
            }
        }
    }
    return strokes;
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

const std::vector<SwitchRecipe>& keyVariantRecipes() {
    static const std::vector<SwitchRecipe> strokes = buildVariants();
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
