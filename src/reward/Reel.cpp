#include "reward/Reel.h"

#include <algorithm>

#include "platform/Log.h"

namespace quib {

namespace {

constexpr double kStageOneFactor = 1.1;
constexpr double kStageOneCap = 0.25;
constexpr double kStageTwoFactor = 1.2;
constexpr double kStageTwoCap = 0.5;

}  // namespace

Reel::Reel(std::vector<std::string> candidates, std::string winner, RandomSource& random)
    : m_candidates(std::move(candidates)), m_winner(std::move(winner)) {
    if (std::find(m_candidates.begin(), m_candidates.end(), m_winner) == m_candidates.end()) {
        logLine("Reward not among the reel's names: ", m_winner);
        m_candidates.push_back(m_winner);
    }
    m_startIndex = static_cast<std::size_t>(random.below(m_candidates.size()));
    m_spinIndex = m_startIndex;
    m_totalSpins = kMinimumSpins + static_cast<int>(random.below(kExtraSpins + 1));
}

Reel::Step Reel::advance() {
    ++m_spinCount;
    Step step{m_candidates[m_spinIndex % m_candidates.size()]};
    if (m_spinCount >= m_totalSpins && step.name == m_winner) {
        step.landed = true;
        return step;
    }
    slowDown();
    ++m_spinIndex;
    return step;
}

void Reel::slowDown() {
    if (m_spinCount > m_totalSpins - 10) {
        m_spinSpeed = std::min(m_spinSpeed * kStageTwoFactor, kStageTwoCap);
    } else if (m_spinCount > m_totalSpins - 20) {
        m_spinSpeed = std::min(m_spinSpeed * kStageOneFactor, kStageOneCap);
    }
}

}  // namespace quib
