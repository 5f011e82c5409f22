#include "options/Options.h"

#include <array>
#include <charconv>
#include <cmath>

#include "platform/DesktopSession.h"
#include "platform/Log.h"

namespace quib {

namespace {

// One row of the table, by kind.
constexpr OptionDefinition onOff(std::string_view name, std::string_view key,
                                 std::string_view fallback, std::string_view description) {
    OptionDefinition definition;
    definition.name = name;
    definition.kind = OptionKind::onOff;
    definition.storedKey = key;
    definition.defaultValue = fallback;
    definition.description = description;
    return definition;
}

constexpr OptionDefinition number(std::string_view name, std::string_view key,
                                  std::string_view fallback, double minimum, double maximum,
                                  std::string_view description) {
    OptionDefinition definition = onOff(name, key, fallback, description);
    definition.kind = OptionKind::number;
    definition.minimum = minimum;
    definition.maximum = maximum;
    return definition;
}

constexpr OptionDefinition choice(std::string_view name, std::string_view key,
                                  std::string_view fallback, std::string_view choices,
                                  std::string_view description) {
    OptionDefinition definition = onOff(name, key, fallback, description);
    definition.kind = OptionKind::choice;
    definition.choices = choices;
    return definition;
}

constexpr OptionDefinition list(std::string_view name, std::string_view key,
                                std::string_view description) {
    OptionDefinition definition = onOff(name, key, "", description);
    definition.kind = OptionKind::list;
    return definition;
}

// Full screen and applications are known where the desktop tells which
// window is active: an X11 session, not Wayland.
OptionAvailability activeWindowKnown() {
    if (isWaylandSession()) {
        return {false, "Wayland does not tell which window is active"};
    }
    if (!desktopTellsActiveWindow()) {
        return {false, "no X11 display"};
    }
    return {};
}

constexpr OptionDefinition needsActiveWindow(OptionDefinition definition) {
    definition.availability = activeWindowKnown;
    return definition;
}

// The options. Stereo width 0.4: the main block of a keyboard spans about 16
// degrees either side of a typist's head, which the ears hear as about 4 dB
// between the near and the far side; at 0.4 the keys at the edges play the far
// channel 4.4 dB lower. Keys stay near the middle, so the clicks never sit in
// one ear on headphones.
constexpr std::array kOptions{
    onOff(option::releaseSounds, "releaseSounds", "on",
          "a sound when a key comes back up (built-in switches and packs)"),
    number(option::stereoWidth, "stereoWidth", "0.4", 0.0, 1.0,
           "how far keys sound left and right by their place on the keyboard (0: all in the "
           "middle)"),
    choice(option::packLoudness, "packLoudness", "match", "match|original",
           "sound packs as loud as the built-in profiles (match) or as they were recorded"),
    choice(option::muteChord, "muteChord", "scrolllock", "scrolllock|pause|rightctrl|off",
           "the key that, pressed twice within 400 ms, mutes the clicks and brings them back"),
    onOff(option::muteDuringCalls, "muteDuringCalls", "on",
          "no clicks while another program records from a microphone"),
    needsActiveWindow(onOff(option::muteInFullscreen, "muteInFullscreen", "off",
                            "no clicks while the active window fills the screen")),
    needsActiveWindow(list(option::muteInApps, "muteInApps",
                           "no clicks while one of these applications (window classes) is "
                           "active")),
};

// The shortest text that reads back as the same number, whatever the locale.
std::string formatNumber(double number) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), number);
    return std::string(text.data(), end.ptr);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<double> parseNumber(const OptionDefinition& definition, std::string_view text) {
    double value = 0.0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < definition.minimum || value > definition.maximum) {
        return std::nullopt;
    }
    return value;
}

std::optional<OptionValue> parseText(const OptionDefinition& definition, std::string_view text) {
    OptionValue value;
    switch (definition.kind) {
        case OptionKind::onOff:
            value.on = text == "on";
            return text == "on" || text == "off" ? std::optional(value) : std::nullopt;
        case OptionKind::number:
            if (const auto number = parseNumber(definition, text)) {
                value.number = *number;
                return value;
            }
            return std::nullopt;
        case OptionKind::choice:
            for (const std::string_view choice : split(definition.choices, '|')) {
                if (choice == text) {
                    value.word = text;
                    return value;
                }
            }
            return std::nullopt;
        case OptionKind::list:
            for (const std::string_view item : split(text, ',')) {
                if (trimmed(item).size() > kLongestListName) {
                    return std::nullopt;
                }
                if (!trimmed(item).empty()) {
                    value.items.emplace_back(trimmed(item));
                }
            }
            return value.items.size() <= kMostListNames ? std::optional(value) : std::nullopt;
    }
    return std::nullopt;
}

// A stored list longer than a list may be (a hand-edited store): the first
// names are used, with one line.
std::vector<std::string> boundedList(const OptionDefinition& definition,
                                     std::vector<std::string> items) {
    const auto tooLong = [](const std::string& item) { return item.size() > kLongestListName; };
    const std::size_t stored = items.size();
    std::erase_if(items, tooLong);
    if (items.size() > kMostListNames) {
        items.resize(kMostListNames);
    }
    if (items.size() != stored) {
        logLine("Using " + std::to_string(items.size()) + " of the " + std::to_string(stored) +
                    " stored names (at most " + std::to_string(kMostListNames) + ", each up to " +
                    std::to_string(kLongestListName) + " characters): ",
                definition.name);
    }
    return items;
}

// The stored value if it has the option's type and is one of its values.
std::optional<OptionValue> storedValue(const Preferences& preferences,
                                       const OptionDefinition& definition) {
    OptionValue value;
    switch (definition.kind) {
        case OptionKind::onOff: {
            const auto on = preferences.boolValue(definition.storedKey);
            value.on = on.value_or(false);
            return on ? std::optional(value) : std::nullopt;
        }
        case OptionKind::number: {
            const auto number = preferences.floatValue(definition.storedKey);
            value.number = number.value_or(0.0);
            const bool valid = number && std::isfinite(*number) && *number >= definition.minimum &&
                               *number <= definition.maximum;
            return valid ? std::optional(value) : std::nullopt;
        }
        case OptionKind::choice: {
            const auto word = preferences.stringValue(definition.storedKey);
            return word ? parseText(definition, *word) : std::nullopt;
        }
        case OptionKind::list: {
            auto items = preferences.stringListValue(definition.storedKey);
            if (!items) {
                return std::nullopt;
            }
            value.items = boundedList(definition, std::move(*items));
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string OptionDefinition::allowedValues() const {
    switch (kind) {
        case OptionKind::onOff:
            return "on|off";
        case OptionKind::number:
            return formatNumber(minimum) + ".." + formatNumber(maximum);
        case OptionKind::choice:
            return std::string(choices);
        case OptionKind::list:
            return "NAME[,NAME...]";
    }
    return {};
}

std::span<const OptionDefinition> allOptions() {
    return kOptions;
}

const OptionDefinition* findOption(std::string_view name) {
    for (const OptionDefinition& definition : kOptions) {
        if (definition.name == name) {
            return &definition;
        }
    }
    return nullptr;
}

std::optional<OptionValue> parseOptionValue(const OptionDefinition& definition,
                                            std::string_view text, std::string& error) {
    auto value = parseText(definition, text);
    if (!value && definition.kind == OptionKind::list) {
        error = std::string(definition.name) + " takes at most " + std::to_string(kMostListNames) +
                " names of up to " + std::to_string(kLongestListName) + " characters each";
    } else if (!value) {
        error = std::string(definition.name) + " takes " + definition.allowedValues() + ", not '" +
                std::string(text) + "'";
    }
    return value;
}

std::string formatOptionValue(const OptionDefinition& definition, const OptionValue& value) {
    switch (definition.kind) {
        case OptionKind::onOff:
            return value.on ? "on" : "off";
        case OptionKind::number:
            return formatNumber(value.number);
        case OptionKind::choice:
            return value.word;
        case OptionKind::list: {
            std::string joined;
            for (const std::string& item : value.items) {
                joined += (joined.empty() ? "" : ",") + item;
            }
            return joined;
        }
    }
    return {};
}

OptionValue readOption(const Preferences& preferences, const OptionDefinition& definition) {
    if (auto value = storedValue(preferences, definition)) {
        return std::move(*value);
    }
    if (preferences.contains(definition.storedKey)) {
        logLine("Ignored a stored value that is not one of the option's: ", definition.name);
    }
    return defaultOptionValue(definition);
}

OptionValue defaultOptionValue(const OptionDefinition& definition) {
    return parseText(definition, definition.defaultValue).value_or(OptionValue{});
}

void writeOption(Preferences& preferences, const OptionDefinition& definition,
                 const OptionValue& value) {
    const std::string_view key = definition.storedKey;
    switch (definition.kind) {
        case OptionKind::onOff:
            preferences.setBool(key, value.on);
            break;
        case OptionKind::number:
            preferences.setFloat(key, value.number);
            break;
        case OptionKind::choice:
            preferences.setString(key, value.word);
            break;
        case OptionKind::list:
            preferences.setStringList(key, value.items);
            break;
    }
}

bool onOffOption(const Preferences& preferences, std::string_view name) {
    const OptionDefinition* definition = findOption(name);
    return definition != nullptr && definition->kind == OptionKind::onOff &&
           readOption(preferences, *definition).on;
}

std::string choiceOption(const Preferences& preferences, std::string_view name) {
    const OptionDefinition* definition = findOption(name);
    return definition != nullptr && definition->kind == OptionKind::choice
               ? readOption(preferences, *definition).word
               : std::string();
}

std::vector<std::string> listOption(const Preferences& preferences, std::string_view name) {
    const OptionDefinition* definition = findOption(name);
    return definition != nullptr && definition->kind == OptionKind::list
               ? readOption(preferences, *definition).items
               : std::vector<std::string>();
}

double numberOption(const Preferences& preferences, std::string_view name) {
    const OptionDefinition* definition = findOption(name);
    return definition != nullptr && definition->kind == OptionKind::number
               ? readOption(preferences, *definition).number
               : 0.0;
}

}  // namespace quib
