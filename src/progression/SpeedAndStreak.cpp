// Typing speed from the last 20 key-downs, the day streak and today's counts.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "progression/GameStats.h"
#include "progression/StoreKeys.h"

namespace quib {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// "yyyy-MM-dd" as a day number; anything else (including impossible dates) fails.
std::optional<std::int64_t> parseDay(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
    }
    const int year = std::stoi(text.substr(0, 4));
    const auto month = static_cast<unsigned>(std::stoi(text.substr(5, 2)));
    const auto day = static_cast<unsigned>(std::stoi(text.substr(8, 2)));
    static constexpr unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) {
        return std::nullopt;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap) {
        return std::nullopt;
    }
    return daysFromCivil(year, month, day);
}

}  // namespace

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
    const auto last = parseDay(m_lastActiveDate);
    const auto now = parseDay(today);
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

}  // namespace quib
