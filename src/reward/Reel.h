#pragma once

#include <string>
#include <vector>

#include "platform/RandomSource.h"

namespace quib {

// The reel of the reward window: which name each step shows, when it stops and
// how long it waits before the next step.
//
// It starts at a random name and makes at least `totalSpins` steps, a number
// drawn from 40...50 per reveal. The steps come 0.05 s apart until 20 steps
// before that minimum, then slow by 10 % a step (to at most 0.25 s) for ten
// steps, then by 20 % a step (to at most 0.5 s). From the minimum on, the reel
// stops on the first step that shows the winner; names are compared exactly as
// given, never in the upper case the window shows them in.
class Reel {
  public:
    static constexpr double kFirstDelay = 0.05;
    static constexpr int kMinimumSpins = 40;
    static constexpr int kExtraSpins = 10;  // added at random, both ends included

    struct Step {
        std::string name;
        bool landed = false;
    };

    // candidates must not be empty and must hold winner; a winner that is not
    // among them is added at the end (and logged), so the reel always lands.
    Reel(std::vector<std::string> candidates, std::string winner, RandomSource& random);

    // One step: counts it, takes the name at the reel position, tests the
    // landing and, unless landed, sets the next delay and moves on.
    Step advance();

    // Seconds to wait before the next step.
    double delay() const { return m_spinSpeed; }
    int spinCount() const { return m_spinCount; }
    int totalSpins() const { return m_totalSpins; }
    std::size_t startIndex() const { return m_startIndex; }
    const std::vector<std::string>& candidates() const { return m_candidates; }
    const std::string& winner() const { return m_winner; }

  private:
    void slowDown();

    std::vector<std::string> m_candidates;
    std::string m_winner;
    std::size_t m_startIndex = 0;
    std::size_t m_spinIndex = 0;
    double m_spinSpeed = kFirstDelay;
    int m_spinCount = 0;
    int m_totalSpins = kMinimumSpins;
};

}  // namespace quib
