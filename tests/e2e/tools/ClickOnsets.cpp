#include "ClickOnsets.h"

#include <algorithm>
#include <cmath>

namespace quib::e2e {

OnsetDetector::OnsetDetector(const OnsetOptions& options)
    : m_options(options),
      m_blockFrames(static_cast<std::size_t>(std::max(1, options.sampleRate / 1000))),
      m_decayPerBlock(
          static_cast<float>(std::pow(0.5, 0.001 / std::max(options.envelopeHalfLife, 0.0001)))) {
    m_block.reserve(m_blockFrames);
}

void OnsetDetector::feed(const float* samples, std::size_t frames) {
    const auto channels = static_cast<std::size_t>(std::max(1, m_options.channels));
    for (std::size_t frame = 0; frame < frames; ++frame) {
        float magnitude = 0.0F;
        for (std::size_t c = 0; c < channels; ++c) {
            magnitude = std::max(magnitude, std::fabs(samples[frame * channels + c]));
        }
        m_block.push_back(magnitude);
        if (m_block.size() == m_blockFrames) {
            finishBlock();
        }
    }
}

double OnsetDetector::duration() const {
    return static_cast<double>(m_framesSeen + m_block.size()) / m_options.sampleRate;
}

void OnsetDetector::finishBlock() {
    const float peak = *std::max_element(m_block.begin(), m_block.end());
    const double blockStart = static_cast<double>(m_framesSeen) / m_options.sampleRate;
    const bool rested = m_lastOnset < 0.0 || blockStart - m_lastOnset >= m_options.hold;
    if (peak >= m_options.threshold && peak >= m_options.rise * m_envelope && rested) {
        const auto first = std::find_if(m_block.begin(), m_block.end(),
                                        [this](float m) { return m >= m_options.threshold; });
        const auto offset = static_cast<double>(first - m_block.begin());
        m_onsets.push_back(blockStart + offset / m_options.sampleRate);
        m_lastOnset = blockStart;
    }
    m_envelope = std::max(peak, m_envelope * m_decayPerBlock);
    m_framesSeen += m_block.size();
    m_block.clear();
}

double rmsLevel(const std::vector<float>& samples, int channels, std::size_t from, std::size_t to) {
    const auto width = static_cast<std::size_t>(std::max(1, channels));
    to = std::min(to, samples.size() / width);
    if (from >= to) {
        return 0.0;
    }
    double sum = 0.0;
    for (std::size_t i = from * width; i < to * width; ++i) {
        const auto value = static_cast<double>(samples[i]);
        sum += value * value;
    }
    return std::sqrt(sum / static_cast<double>((to - from) * width));
}

}  // namespace quib::e2e
