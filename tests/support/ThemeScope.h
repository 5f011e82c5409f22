#pragma once

#include "panel/StyleKit.h"

namespace quib::test {

// Makes `theme` the active theme of the style kit for the scope's lifetime;
// set() switches it, as a user picking a theme would.
class ThemeScope {
  public:
    explicit ThemeScope(AppTheme theme) : m_theme(theme) {
        style::setThemeSource([this] { return m_theme; });
    }
    ~ThemeScope() { style::setThemeSource(nullptr); }
    ThemeScope(const ThemeScope&) = delete;
    ThemeScope& operator=(const ThemeScope&) = delete;

    void set(AppTheme theme) { m_theme = theme; }

  private:
    AppTheme m_theme;
};

}  // namespace quib::test
