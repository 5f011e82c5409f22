#include "sound/packs/PackConfig.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "sound/packs/PackKeyCodes.h"

namespace quib {

namespace {

using Json = nlohmann::json;

std::string quotedField(std::string_view field) {
    return "'" + std::string(field) + "'";
}

// A string field; absent reads as empty, another type is a problem.
bool readText(const Json& root, std::string_view field, bool required, std::string& out,
              std::string& problem) {
    const auto found = root.find(field);
    if (found == root.end() || (!required && found->is_null())) {
        if (required) {
            problem = quotedField(field) + " is missing";
        }
        return !required;
    }
    if (!found->is_string() || (required && found->get_ref<const std::string&>().empty())) {
        problem = quotedField(field) + ": expected " + (required ? "a non-empty text" : "a text");
        return false;
    }
    out = found->get<std::string>();
    return true;
}

// 1 or 2, as a number or (as some packs write it) a text.
std::optional<int> readVersion(const Json& version) {
    if (version.is_number_integer() && (version == 1 || version == 2)) {
        return version.get<int>();
    }
    if (version.is_string() && (version == "1" || version == "2")) {
        return version.get_ref<const std::string&>() == "1" ? 1 : 2;
    }
    return std::nullopt;
}

bool readHeader(const Json& root, PackConfig& config, std::string& problem) {
    if (const auto version = root.find("version"); version != root.end()) {
        const auto read = readVersion(*version);
        if (!read) {
            problem = "'version': expected 1 or 2";
            return false;
        }
        config.version = *read;
    }
    std::string type;
    if (!readText(root, "name", true, config.name, problem) ||
        !readText(root, "id", false, config.id, problem) ||
        !readText(root, "key_define_type", true, type, problem) ||
        !readText(root, "sound", false, config.sound, problem) ||
        (config.version == 2 && !readText(root, "soundup", false, config.soundUp, problem))) {
        return false;
    }
    if (type != "single" && type != "multi") {
        problem = "'key_define_type': expected \"single\" or \"multi\", not \"" + type + "\"";
        return false;
    }
    config.single = type == "single";
    if (config.single && config.sound.empty()) {
        problem = "'sound': a single pack needs its audio file";
        return false;
    }
    return true;
}

// "30" or "30-up" (version 1 packs carry release entries too).
bool readKey(std::string_view text, std::uint32_t& code, bool& release) {
    release = text.ends_with("-up");
    if (release) {
        text.remove_suffix(3);
    }
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), code);
    return status == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool readDefineValue(const Json& value, bool single, PackConfig::Define& define) {
    if (value.is_null()) {
        return true;
    }
    if (!single) {
        define.file = value.is_string() ? value.get<std::string>() : std::string();
        return value.is_string() && !define.file.empty();
    }
    if (!value.is_array() || value.size() != 2 || !value[0].is_number() || !value[1].is_number()) {
        return false;
    }
    // Bounded here, so that no later conversion to frames can overflow; a cut
    // that reaches past its file's end is cut there when the file is read.
    const double start = value[0].get<double>();
    const double duration = value[1].get<double>();
    if (!std::isfinite(start) || !std::isfinite(duration) || start < 0.0 || duration < 0.0) {
        return false;
    }
    define.startMs = std::min(start, kLongestCutMs);
    define.durationMs = std::min(duration, kLongestCutMs);
    return true;
}

bool readDefines(const Json& root, PackConfig& config, std::string& problem) {
    const auto defines = root.find("defines");
    if (defines == root.end() || !defines->is_object()) {
        problem = defines == root.end() ? "'defines' is missing" : "'defines': expected an object";
        return false;
    }
    for (const auto& [key, value] : defines->items()) {
        const std::string where = "'defines'." + quotedField(key);
        std::uint32_t packCode = 0;
        PackConfig::Define define;
        define.field = key;
        if (!readKey(key, packCode, define.release)) {
            problem = where + ": expected a key code or code-up";
            return false;
        }
        if (!readDefineValue(value, config.single, define)) {
            problem = where + (config.single ? ": expected [start_ms, duration_ms] or null"
                                             : ": expected a file name or null");
            return false;
        }
        const auto evdev = evdevCodeOfPackKey(packCode);
        if (!evdev) {
            ++config.unknownKeys;
            continue;
        }
        define.key = *evdev;
        config.defines.push_back(std::move(define));
    }
    return true;
}

}  // namespace

std::optional<PackConfig> parsePackConfig(std::string_view text, std::string& problem) {
    // Every exception of the JSON library ends here: a number too large for a
    // double (1e400) is one the parser throws past its parse errors.
    try {
        const Json root = Json::parse(text);
        if (!root.is_object()) {
            problem = "expected an object of fields";
            return std::nullopt;
        }
        PackConfig config;
        if (!readHeader(root, config, problem) || !readDefines(root, config, problem)) {
            return std::nullopt;
        }
        return config;
    } catch (const Json::exception& error) {
        const std::string what = error.what();
        const std::size_t bracket = what.find("] ");
        problem = "not valid JSON (" +
                  (bracket == std::string::npos ? what : what.substr(bracket + 2)) + ")";
        return std::nullopt;
    }
}

std::optional<std::vector<std::string>> expandFileRange(std::string_view name) {
    const std::size_t open = name.find('{');
    const std::size_t close = name.find('}');
    if (open == std::string_view::npos && close == std::string_view::npos) {
        return std::vector<std::string>{std::string(name)};
    }
    if (open == std::string_view::npos || close < open ||
        name.find_first_of("{}", close + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view range = name.substr(open + 1, close - open - 1);
    const std::size_t dash = range.find('-');
    // Both ends bounded, so that neither the count nor the loop can overflow.
    constexpr int kLargestTake = 1'000'000;
    int first = 0;
    int last = 0;
    const auto parse = [](std::string_view digits, int& value) {
        const auto [end, status] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return status == std::errc() && end == digits.data() + digits.size() && !digits.empty();
    };
    if (dash == std::string_view::npos || !parse(range.substr(0, dash), first) ||
        !parse(range.substr(dash + 1), last) || first < 0 || last < first || last > kLargestTake ||
        last - first >= kMostTakes) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (int take = first; take <= last; ++take) {
        names.push_back(std::string(name.substr(0, open)) + std::to_string(take) +
                        std::string(name.substr(close + 1)));
    }
    return names;
}

}  // namespace quib
