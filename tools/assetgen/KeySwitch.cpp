#include "KeySwitch.h"

#include <algorithm>

#include "Master.h"

namespace assetgen {

namespace {

constexpr double kShortestContact = 0.0003;
constexpr double kRattleDecay = 0.012;

// Corner of the roll-off (12 dB per octave, no resonance) of an impact's
// noise: 1.5 kHz for the softest contact, 16 kHz for the hardest, spaced
// evenly in octaves.
double cornerFor(double hardness) {
    return 1500.0 * std::pow(2.0, std::clamp(hardness, 0.0, 1.0) * 3.42);
}

// How the force of a contact runs: it rises within a tenth of the contact and
// relaxes over the rest, with a little tail.
Mono contactEnvelope(double contact) {
    const std::size_t length = secondsToFrames(std::max(contact, kShortestContact));
    const std::size_t rise = std::max<std::size_t>(length / 10, 2);
    Mono out(2 * length, 0.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double n = static_cast<double>(i);
        out[i] = i < rise ? n / rise : decay(n - rise, length / 4.0);
    }
    return out;
}

// The sound of the contact itself, heard directly: the roughness of the two
// surfaces turns the force into noise. The hardness sets how far up its
// spectrum reaches; a longer contact spreads the same push over more time and
// is quieter.
Mono contactNoise(const Impact& impact, const Mono& envelope, Random& random) {
    const double level = std::sqrt(kShortestContact / std::max(impact.contact, kShortestContact));
    OnePole tone(cornerFor(impact.hardness));
    OnePole tone2(cornerFor(impact.hardness));
    Mono out(envelope.size() + secondsToFrames(0.002), 0.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double force = i < envelope.size() ? envelope[i] : 0.0;
        out[i] = tone2.process(tone.process(random.bipolar() * force * level));
    }
    return out;
}

// The force that sets the body ringing, with the same area (the same push)
// for every contact length. Its spectrum is flat up to about the inverse of
// the contact time and falls without gaps above it, so a short, hard contact
// rings the high modes and a long, soft one mostly the low ones.
Mono contactForce(const Mono& envelope) {
    double area = 0.0;
    for (const double value : envelope) {
        area += value;
    }
    Mono out(envelope);
    for (double& value : out) {
        value /= area;
    }
    return out;
}

void addAt(Mono& target, std::size_t start, const Mono& source, double gain) {
    for (std::size_t i = 0; i < source.size() && start + i < target.size(); ++i) {
        target[start + i] += source[i] * gain;
    }
}

// Each part's modes, spaced evenly in octaves with a random nudge so that no
// two parts or profiles share a comb, and with random signs so that they do
// not all peak together at the onset.
std::vector<Mode> bodyModes(const std::vector<BodyPart>& parts, Random& random) {
    std::vector<Mode> modes;
    for (const BodyPart& part : parts) {
        const double span = std::log2(part.high / part.low);
        for (int k = 0; k < part.modes; ++k) {
            const double position = (k + random.range(0.3, 0.7)) / part.modes;
            const double frequency = part.low * std::pow(2.0, span * position);
            const double sign = random.chance(0.5) ? 1.0 : -1.0;
            modes.push_back({frequency, part.decay * std::sqrt(part.low / frequency),
                             part.gain * random.range(0.7, 1.0) * sign});
        }
    }
    return modes;
}

// Nothing lands only once: the stem and keycap rebound twice, a little later,
// softer and shorter each time. The rebounds fill the first milliseconds with
// the busy, broadband noise a recorded key press starts with.
std::vector<Impact> withRebounds(const SwitchRecipe& recipe, Random& random) {
    std::vector<Impact> impacts;
    for (const Impact& impact : recipe.impacts) {
        Impact rebound = impact;
        impacts.push_back(impact);
        for (int k = 0; k < 2; ++k) {
            rebound.time += rebound.contact + random.range(0.0006, 0.0016);
            rebound.gain *= recipe.bounce;
            rebound.contact = std::max(rebound.contact * 0.7, kShortestContact);
            impacts.push_back(rebound);
        }
    }
    return impacts;
}

void ring(const Mode& mode, const Mono& drive, Mono& out) {
    Resonator resonator(mode.frequency, mode.decay);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] += resonator.process(drive[i]) * mode.gain;
    }
}

// The loosely held parts buzz on after every impact that shook the body.
void addRattle(const SwitchRecipe& recipe, const std::vector<Impact>& impacts, Random& random,
               Mono& out) {
    Biquad low = Biquad::highpass(400.0, 0.707);
    Biquad high = Biquad::lowpass(5000.0, 0.707);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double envelope = 0.0;
        for (const Impact& impact : impacts) {
            const double since = t - impact.time - impact.contact;
            envelope += impact.gain * impact.drive * decay(since, kRattleDecay) *
                        std::min(1.0, std::max(since, 0.0) / 0.001);
        }
        out[i] += high.process(low.process(random.bipolar())) * envelope * recipe.rattle;
    }
}

}  // namespace

Mono renderSwitch(const SwitchRecipe& recipe, std::uint64_t seed) {
    Random random(seed);
    const std::size_t length = secondsToFrames(recipe.length);
    Mono out(length, 0.0);
    Mono drive(length, 0.0);
    const std::vector<Impact> impacts = withRebounds(recipe, random);
    for (const Impact& impact : impacts) {
        const std::size_t start = secondsToFrames(impact.time);
        const Mono envelope = contactEnvelope(impact.contact);
        addAt(out, start, contactNoise(impact, envelope, random),
              impact.gain * (1.0 - impact.drive));
        addAt(drive, start, contactForce(envelope), impact.gain * impact.drive);
    }
    for (const Mode& mode : bodyModes(recipe.body, random)) {
        ring(mode, drive, out);
    }
    for (const Mode& spring : recipe.springs) {
        // Two nearly equal modes: a coil rings in two planes and beats.
        ring(spring, drive, out);
        ring({spring.frequency * 1.006, spring.decay * 0.9, spring.gain * 0.7}, drive, out);
    }
    addRattle(recipe, impacts, random, out);
    Biquad highpass = Biquad::highpass(recipe.highpass, 0.707);
    for (double& value : out) {
        value = highpass.process(value);
    }
    finishClick(out);
    return out;
}

}  // namespace assetgen
