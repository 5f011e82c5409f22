// Ambiences with voices: the murmur of a cafe and the birds of a forest.

#include <array>

#include "Ambience.h"
#include "Master.h"
#include "Noise.h"
#include "Reverb.h"

namespace assetgen {

namespace {

struct Vowel {
    double f1, f2, f3;
};
constexpr std::array<Vowel, 6> kVowels{{{730, 1090, 2440},
                                        {530, 1840, 2480},
                                        {270, 2290, 3010},
                                        {570, 840, 2410},
                                        {300, 870, 2240},
                                        {660, 1720, 2410}}};

// One syllable of speech: a buzzing voice through the vowel's formants.
void speakSyllable(Mono& out, std::size_t at, double pitch, Random& random) {
    const Vowel vowel = kVowels[random.below(kVowels.size())];
    const std::size_t length = secondsToFrames(random.range(0.1, 0.24));
    Biquad f1 = Biquad::bandpass(vowel.f1, 6.0);
    Biquad f2 = Biquad::bandpass(vowel.f2, 8.0);
    Biquad f3 = Biquad::bandpass(vowel.f3, 10.0);
    double phase = 0.0;
    const double glide = random.range(-0.25, 0.2);
    for (std::size_t i = 0; i < length && at + i < out.size(); ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(length);
        phase += pitch * (1.0 + glide * x) / kSampleRate;
        const double buzz = 2.0 * (phase - std::floor(phase)) - 1.0 + random.bipolar() * 0.35;
        const double voiced = f1.process(buzz) + f2.process(buzz) * 0.6 + f3.process(buzz) * 0.3;
        out[at + i] += (voiced * std::sin(kPi * x));
    }
}

// One talker: phrases of syllables separated by pauses, for the whole loop.
Mono talker(std::size_t frames, Random& random) {
    Mono voice(frames + secondsToFrames(1.0), 0.0);
    const double pitch =
        random.chance(0.5) ? random.range(95.0, 135.0) : random.range(175.0, 235.0);
    std::size_t at = secondsToFrames(random.range(0.0, 3.0));
    while (at < frames) {
        const std::size_t syllables = 3 + random.below(10);
        for (std::size_t s = 0; s < syllables && at < frames; ++s) {
            speakSyllable(voice, at, pitch * random.range(0.9, 1.12), random);
            at += secondsToFrames(random.range(0.14, 0.26));
        }
        at += secondsToFrames(random.range(0.6, 3.5));
    }
    return voice;
}

// Porcelain: a few long, inharmonic modes, as a cup meets a saucer.
Mono clink(Random& random, double level) {
    Mono out(secondsToFrames(1.0));
    const double pitch = random.range(1900.0, 3600.0);
    std::array<Resonator, 4> modes{Resonator(pitch, 0.18), Resonator(pitch * 2.32, 0.1),
                                   Resonator(pitch * 4.25, 0.06), Resonator(pitch * 1.51, 0.05)};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double hit = i < 8 ? random.bipolar() : 0.0;
        out[i] = ((modes[0].process(hit) + modes[1].process(hit) * 0.5 +
                   modes[2].process(hit) * 0.25 + modes[3].process(hit) * 0.3) *
                  level);
    }
    return out;
}

}  // namespace

Stereo renderCafe(std::size_t frames, Random& random) {
    Stereo audio(frames);
    for (int t = 0; t < 12; ++t) {
        Mono voice = talker(frames, random);
        filterCircular(voice, [filter = Biquad::lowpass(2800.0, 0.7)](double x) mutable {
            return filter.process(x);
        });
        addWrapped(audio, 0, voice, random.range(0.5, 1.0), random.bipolar() * 0.8);
    }
    for (Mono* channel : {&audio.left, &audio.right}) {
        Mono room = pinkNoise(frames, random);
        filterLoop(room, Biquad::lowpass(900.0, 0.7));
        for (std::size_t i = 0; i < frames; ++i) {
            (*channel)[i] += (room[i] * 0.25);
        }
    }
    // Cups and spoons: single clinks and little stirring runs.
    for (int event = 0; event < 26; ++event) {
        std::size_t at = random.below(frames);
        const double pan = random.bipolar() * 0.8;
        const std::size_t hits = random.chance(0.3) ? 3 + random.below(4) : 1;
        for (std::size_t h = 0; h < hits; ++h) {
            addWrapped(audio, at, clink(random, random.range(0.02, 0.06)), 1.0, pan);
            at += secondsToFrames(random.range(0.12, 0.2));
        }
    }
    reverbLoop(audio, 0.55, 0.4, 0.35);
    return audio;
}

}  // namespace assetgen
