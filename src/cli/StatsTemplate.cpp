#include "cli/StatsTemplate.h"

#include <algorithm>

namespace quib {

namespace {

bool isFieldName(std::string_view name) {
    const auto& names = statsFieldNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string fieldList() {
    std::string list;
    for (std::string_view name : statsFieldNames()) {
        list.append(list.empty() ? "" : ", ").append(name);
    }
    return list;
}

}  // namespace

const std::vector<std::string_view>& statsFieldNames() {
    static const std::vector<std::string_view> names{
        "todayKeystrokes", "todayClicks",   "totalKeystrokes",
        "totalClicks",     "level",         "levelTitle",
        "totalXP",         "xpToNextLevel", "progressPercent",
        "currentStreak",   "wpm",           "coins"};
    return names;
}

std::optional<StatsTemplate> StatsTemplate::parse(std::string_view text, std::string& error) {
    StatsTemplate parsed;
    std::string literal;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char ch = text[at];
        if ((ch == '{' || ch == '}') && at + 1 < text.size() && text[at + 1] == ch) {
            literal += ch;
            ++at;
        } else if (ch == '}') {
            error = "a '}' without its '{' (write '}}' for a brace)";
            return std::nullopt;
        } else if (ch != '{') {
            literal += ch;
        } else {
            const std::size_t end = text.find('}', at);
            if (end == std::string_view::npos) {
                error = "a '{' left open (write '{{' for a brace)";
                return std::nullopt;
            }
            const std::string_view name = text.substr(at + 1, end - at - 1);
            if (!isFieldName(name)) {
                error = "no field '" + std::string(name) + "'; the fields are " + fieldList();
                return std::nullopt;
            }
            parsed.m_pieces.push_back({false, std::exchange(literal, {})});
            parsed.m_pieces.push_back({true, std::string(name)});
            at = end;
        }
    }
    parsed.m_pieces.push_back({false, literal});
    return parsed;
}

std::string StatsTemplate::render(const StatsFields& fields) const {
    std::string line;
    for (const Piece& piece : m_pieces) {
        if (!piece.isField) {
            line += piece.text;
            continue;
        }
        const auto field = std::find_if(fields.begin(), fields.end(), [&](const auto& entry) {
            return entry.first == piece.text;
        });
        if (field != fields.end()) {
            line += field->second;
        }
    }
    return line;
}

}  // namespace quib
