#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quib {

// The colour themes. Classic is everybody's; the others are won as rewards.
enum class AppTheme : std::uint8_t { classic, midnight, terminal, blood, solar, ice, violet };

inline constexpr std::size_t kAppThemeCount = 7;

struct Rgb {
    double r;
    double g;
    double b;
};

// The five colours of a theme, each component in 0...1. "text" and "bg" are
// roles: the dark themes have light text on a dark background.
struct ThemePalette {
    Rgb accent;
    Rgb bg;
    Rgb text;
    Rgb grayMid;
    Rgb grayLight;
};

const std::array<AppTheme, kAppThemeCount>& allAppThemes();
std::string_view rawValue(AppTheme theme);
// Exact, case-sensitive match of the whole name.
std::optional<AppTheme> appThemeFromRawValue(std::string_view text);
const ThemePalette& palette(AppTheme theme);

}  // namespace quib
