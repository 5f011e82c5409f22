#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/prefs/Preferences.h"
#include "progression/GameStats.h"

namespace quib {

// The figures `quib stats --format` can name, each as the text it prints.
using StatsFields = std::vector<std::pair<std::string_view, std::string>>;

// Every field name, in the order the help lists them.
const std::vector<std::string_view>& statsFieldNames();

// The fields of a store. The typing speed is the one the running QUIB
// stored at its last flush that took keys, 0 when nothing was typed today.
StatsFields statsFields(const GameStats& stats, const Preferences& preferences, const Clock& clock);

// A line template: literal text with fields in braces ("{level}"); "{{" and
// "}}" stand for braces. Parsed once, so that a wrong template fails before
// anything is read or printed.
class StatsTemplate {
  public:
    // The template, or nothing with `error` saying what is wrong (an unknown
    // field, a brace left open).
    static std::optional<StatsTemplate> parse(std::string_view text, std::string& error);

    // The line for these fields; a field missing from them prints nothing.
    std::string render(const StatsFields& fields) const;

  private:
    struct Piece {
        bool isField;
        std::string text;  // the literal text, or the field's name
    };
    std::vector<Piece> m_pieces;
};

// What `--watch` prints without --format.
inline constexpr std::string_view kDefaultWatchTemplate =
    "{todayKeystrokes} keys  LVL {level} {levelTitle}";

}  // namespace quib
