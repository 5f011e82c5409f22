#include "progression/AppTheme.h"

namespace quib {

namespace {

constexpr double c(int n) {
    return n / 255.0;
}

struct ThemeRow {
    std::string_view name;
    ThemePalette palette;
};

// accent, bg, text, grayMid, grayLight
constexpr std::array<ThemeRow, kAppThemeCount> kThemes{{
    {"Classic",
     {{1.0, c(61), 0.0},
      {c(245), c(240), c(235)},
      {c(10), c(10), c(10)},
      {c(61), c(61), c(61)},
      {c(138), c(138), c(138)}}},
    {"Midnight",
     {{0.2, 0.4, 1.0},
      {c(10), c(14), c(26)},
      {c(232), c(232), c(240)},
      {c(106), c(106), c(128)},
      {c(64), c(64), c(90)}}},
    {"Terminal",
     {{0.0, 0.85, 0.0},
      {c(5), c(10), c(5)},
      {0.0, c(217), 0.0},
      {0.0, c(102), 0.0},
      {0.0, c(68), 0.0}}},
    {"Blood",
     {{0.8, 0.0, 0.0},
      {c(26), c(10), c(10)},
      {c(240), c(208), c(208)},
      {c(138), c(64), c(64)},
      {c(90), c(32), c(32)}}},
    {"Solar",
     {{1.0, 0.9, 0.0},
      {1.0, c(248), c(232)},
      {c(42), c(26), 0.0},
      {c(106), c(80), c(48)},
      {c(160), c(128), c(96)}}},
    {"Ice",
     {{0.0, 0.75, 1.0},
      {c(232), c(240), c(248)},
      {c(10), c(26), c(42)},
      {c(58), c(80), c(96)},
      {c(96), c(128), c(160)}}},
    {"Violet",
     {{0.55, 0.2, 0.9},
      {c(18), c(8), c(30)},
      {c(224), c(208), c(240)},
      {c(106), c(64), c(144)},
      {c(64), c(32), c(96)}}},
}};

}  // namespace

const std::array<AppTheme, kAppThemeCount>& allAppThemes() {
    static const auto all = [] {
        std::array<AppTheme, kAppThemeCount> cases{};
        for (std::size_t i = 0; i < cases.size(); ++i) {
            cases[i] = static_cast<AppTheme>(i);
        }
        return cases;
    }();
    return all;
}

std::string_view rawValue(AppTheme theme) {
    return kThemes[static_cast<std::size_t>(theme)].name;
}

std::optional<AppTheme> appThemeFromRawValue(std::string_view text) {
    for (std::size_t i = 0; i < kThemes.size(); ++i) {
        if (kThemes[i].name == text) {
            return static_cast<AppTheme>(i);
        }
    }
    return std::nullopt;
}

const ThemePalette& palette(AppTheme theme) {
    return kThemes[static_cast<std::size_t>(theme)].palette;
}

}  // namespace quib
