// The generator voices of the mixer (audio thread; see the rules at the top
// of Mixer.h). One generator plays at a time; a stopped one fades out beside
// it and holds the stop's sequence until it is silent.
#include <algorithm>

#include "platform/audio/Mixer.h"

namespace quib {

void Mixer::startGenerator(const MixerCommand& command) {
    stopGenerator(command.sequence);
    auto free =
        std::find_if(m_generators.begin(), m_generators.end(),
                     [](const Generator& generator) { return generator.source == nullptr; });
    if (free == m_generators.end()) {
        // Two starts within one fade: the older fading generator is cut.
        free = std::min_element(
            m_generators.begin(), m_generators.end(),
            [](const Generator& a, const Generator& b) { return a.envelope < b.envelope; });
    }
    Generator& generator = *free;
    generator = Generator{};
    generator.source = command.generator;
    generator.step = static_cast<double>(generator.source->sampleRate()) / kOutputSampleRate;
    generator.read = generator.buffer.size();
    generator.gain = m_generatorGain.load(std::memory_order_acquire);
    m_sounding.store(true, std::memory_order_release);
}

void Mixer::stopGenerator(std::uint64_t sequence) {
    for (Generator& generator : m_generators) {
        if (generator.source != nullptr && !generator.releasing) {
            generator.releasing = true;
            generator.heldBy = sequence;
        }
    }
}

float Mixer::nextGeneratorSample(Generator& generator) {
    if (generator.read >= generator.buffer.size()) {
        generator.source->render(std::span<float>(generator.buffer));
        generator.read = 0;
    }
    return generator.buffer[generator.read++];
}

// The generator runs at its own rate; linear interpolation brings it to the
// output rate, pulling one generated sample per crossed input period. False
// once a stopped generator has faded out.
bool Mixer::mixGenerator(Generator& generator, int frames) {
    const float target = m_generatorGain.load(std::memory_order_acquire);
    for (int i = 0; i < frames; ++i) {
        if (generator.releasing) {
            generator.envelope -= kStopFadeStep;
            if (generator.envelope <= 0.0F) {
                return false;
            }
        } else {
            generator.envelope = std::min(1.0F, generator.envelope + kFadeInStep);
        }
        while (generator.fraction >= 1.0) {
            generator.previous = generator.next;
            generator.next = nextGeneratorSample(generator);
            generator.fraction -= 1.0;
        }
        const auto fraction = static_cast<float>(generator.fraction);
        const float value = generator.previous + (generator.next - generator.previous) * fraction;
        generator.fraction += generator.step;
        generator.gain += std::clamp(target - generator.gain, -kGainStep, kGainStep);
        const float scaled = value * generator.gain * generator.envelope;
        m_mix[static_cast<std::size_t>(2 * i)] += scaled;
        m_mix[static_cast<std::size_t>(2 * i + 1)] += scaled;
    }
    return true;
}

}  // namespace quib
