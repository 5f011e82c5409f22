// Levels, XP and titles: everything derives from totalXP; no level is stored.
#include <algorithm>
#include <charconv>

#include "progression/GameStats.h"

namespace quib {

std::int64_t GameStats::xpForLevel(std::int64_t level) {
    if (level < 1) {
        return 0;
    }
    const double n = static_cast<double>(level);
    return static_cast<std::int64_t>(n * 50.0 * n + 500.0);
}

std::int64_t GameStats::cumulativeXPForLevel(std::int64_t level) {
    std::int64_t sum = 0;
    for (std::int64_t i = 1; i <= std::max<std::int64_t>(level, 1); ++i) {
        sum += xpForLevel(i);
    }
    return sum;
}

std::int64_t GameStats::levelForXP(std::int64_t xp) {
    std::int64_t sum = 0;
    for (std::int64_t level = 1; level <= kMaxLevel; ++level) {
        sum += xpForLevel(level);
        if (xp < sum) {
            return level - 1;
        }
    }
    return kMaxLevel;
}

std::string GameStats::titleForLevel(std::int64_t level) {
    if (level <= 0) {
        return "NOOB";
    }
    if (level <= 4) {
        return "ROOKIE";
    }
    if (level <= 9) {
        return "TYPIST";
    }
    if (level <= 14) {
        return "CLACKER";
    }
    if (level <= 19) {
        return "KEYSTROKE KNIGHT";
    }
    if (level <= 24) {
        return "CLACK MASTER";
    }
    if (level <= 29) {
        return "TYPING OVERLORD";
    }
    return "KEYBOARD LEGEND";
}

namespace {

// One decimal and a unit letter, rounded as printf's "%.1f" rounds. to_chars
// ignores the locale, so the panel shows "1.2K" under a decimal comma too.
std::string compact(double value, char unit) {
    char text[32];
    char* end = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, 1).ptr;
    *end++ = unit;
    return std::string(text, end);
}

}  // namespace

std::string GameStats::formatNumber(std::int64_t n) {
    if (n >= 1000000) {
        return compact(static_cast<double>(n) / 1000000.0, 'M');
    }
    if (n >= 1000) {
        return compact(static_cast<double>(n) / 1000.0, 'K');
    }
    return std::to_string(n);
}

std::int64_t GameStats::currentLevel() const {
    return levelForXP(totalXP());
}

double GameStats::progressToNextLevel() const {
    const std::int64_t xp = totalXP();
    const std::int64_t level = levelForXP(xp);
    const std::int64_t base = level > 0 ? cumulativeXPForLevel(level) : 0;
    const double span = static_cast<double>(xpForLevel(level + 1));
    const double progress = static_cast<double>(xp - base) / span;
    return std::clamp(progress, 0.0, 1.0);
}

std::string GameStats::levelTitle() const {
    return titleForLevel(currentLevel());
}

}  // namespace quib
