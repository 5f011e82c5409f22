// Typing speed from the last 20 key-downs, the day streak and today's counts.
#include <algorithm>

#include "progression/CalendarDays.h"
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"

namespace quib {

int GameStats::approximateWPM() const {
    const std::int64_t index = m_keyTimeIndex.load(std::memory_order_acquire);
    const std::int64_t count = m_keyTimeCount.load(std::memory_order_acquire);
    if (count < 2) {
        return 0;
    }
    const std::int64_t n = std::min<std::int64_t>(count, kRingSize);
    const auto ring = static_cast<std::int64_t>(kRingSize);
    const auto newest = static_cast<std::size_t>((index + ring - 1) % ring);
    const auto oldest = static_cast<std::size_t>(((index - n) % ring + ring) % ring);
    const double span = m_recentKeyTimes[newest].load(std::memory_order_relaxed) -
                        m_recentKeyTimes[oldest].load(std::memory_order_relaxed);
    if (!(span > 0.5)) {
        return 0;
    }
    const double speed = static_cast<double>(n - 1) / span / 5.0 * 60.0;
    return static_cast<int>(std::min(speed, 300.0));
}

void GameStats::updateStreak(const std::string& today, Changes& changes) {
    if (m_lastActiveDate == today) {
        return;
    }
    const auto last = calendar::parseDay(m_lastActiveDate);
    const auto now = calendar::parseDay(today);
    if (!last || !now) {
        m_currentStreak = 1;
    } else if (*now - *last == 1) {
        m_currentStreak = saturatingAdd(m_currentStreak, 1);
    } else if (*now - *last >= 2) {
        m_currentStreak = 1;
    }
    // A clock set back to an earlier day leaves the streak as it is.
    m_lastActiveDate = today;
    changes.streakChanged = true;
    changes.streak = m_currentStreak;
}

std::int64_t GameStats::todayKeystrokes() const {
    const auto figures = m_figures.read();
    return figures.day == Figures::dayNumber(m_clock.today()) ? figures.todayKeys : 0;
}

std::int64_t GameStats::todayClicks() const {
    const auto figures = m_figures.read();
    return figures.day == Figures::dayNumber(m_clock.today()) ? figures.todayClicks : 0;
}

std::vector<DayCount> GameStats::recentDays() const {
    const auto today = calendar::parseDay(m_clock.today());
    if (!today) {
        return {};
    }
    std::lock_guard state(m_stateMutex);
    return rebaseSeries(m_recentDays, *today, kRecentDays);
}

}  // namespace quib
