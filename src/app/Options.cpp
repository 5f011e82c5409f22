#include "app/Options.h"

#include <array>
#include <charconv>
#include <cmath>

#include "platform/DesktopSession.h"
#include "platform/Log.h"

namespace quib {

namespace {

// One row of the table, by kind.
constexpr OptionSpec onOff(std::string_view name, std::string_view key, std::string_view fallback,
                           std::string_view description) {
    OptionSpec spec;
    spec.name = name;
    spec.kind = OptionKind::onOff;
    spec.storedKey = key;
    spec.defaultValue = fallback;
    spec.description = description;
    return spec;
}

constexpr OptionSpec number(std::string_view name, std::string_view key, std::string_view fallback,
                            double minimum, double maximum, std::string_view description) {
    OptionSpec spec = onOff(name, key, fallback, description);
    spec.kind = OptionKind::number;
    spec.minimum = minimum;
    spec.maximum = maximum;
    return spec;
}

constexpr OptionSpec choice(std::string_view name, std::string_view key, std::string_view fallback,
                            std::string_view choices, std::string_view description) {
    OptionSpec spec = onOff(name, key, fallback, description);
    spec.kind = OptionKind::choice;
    spec.choices = choices;
    return spec;
}

constexpr OptionSpec list(std::string_view name, std::string_view key,
                          std::string_view description) {
    OptionSpec spec = onOff(name, key, "", description);
    spec.kind = OptionKind::list;
    return spec;
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

constexpr OptionSpec needsActiveWindow(OptionSpec spec) {
    spec.availability = activeWindowKnown;
    return spec;
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

std::optional<double> parseNumber(const OptionSpec& spec, std::string_view text) {
    double value = 0.0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < spec.minimum || value > spec.maximum) {
        return std::nullopt;
    }
    return value;
}

std::optional<OptionValue> parseText(const OptionSpec& spec, std::string_view text) {
    OptionValue value;
    switch (spec.kind) {
        case OptionKind::onOff:
            value.on = text == "on";
            return text == "on" || text == "off" ? std::optional(value) : std::nullopt;
        case OptionKind::number:
            if (const auto number = parseNumber(spec, text)) {
                value.number = *number;
                return value;
            }
            return std::nullopt;
        case OptionKind::choice:
            for (const std::string_view choice : split(spec.choices, '|')) {
                if (choice == text) {
                    value.word = text;
                    return value;
                }
            }
            return std::nullopt;
        case OptionKind::list:
            for (const std::string_view item : split(text, ',')) {
                if (!trimmed(item).empty()) {
                    value.items.emplace_back(trimmed(item));
                }
            }
            return value;
    }
    return std::nullopt;
}

// The stored value if it has the option's type and is one of its values.
std::optional<OptionValue> storedValue(const Preferences& preferences, const OptionSpec& spec) {
    OptionValue value;
    switch (spec.kind) {
        case OptionKind::onOff: {
            const auto on = preferences.boolValue(spec.storedKey);
            value.on = on.value_or(false);
            return on ? std::optional(value) : std::nullopt;
        }
        case OptionKind::number: {
            const auto number = preferences.floatValue(spec.storedKey);
            value.number = number.value_or(0.0);
            const bool valid = number && std::isfinite(*number) && *number >= spec.minimum &&
                               *number <= spec.maximum;
            return valid ? std::optional(value) : std::nullopt;
        }
        case OptionKind::choice: {
            const auto word = preferences.stringValue(spec.storedKey);
            return word ? parseText(spec, *word) : std::nullopt;
        }
        case OptionKind::list: {
            auto items = preferences.stringListValue(spec.storedKey);
            if (!items) {
                return std::nullopt;
            }
            value.items = std::move(*items);
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string OptionSpec::allowedValues() const {
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

std::span<const OptionSpec> allOptions() {
    return kOptions;
}

const OptionSpec* findOption(std::string_view name) {
    for (const OptionSpec& spec : kOptions) {
        if (spec.name == name) {
            return &spec;
        }
    }
    return nullptr;
}

std::optional<OptionValue> parseOptionValue(const OptionSpec& spec, std::string_view text,
                                            std::string& error) {
    auto value = parseText(spec, text);
    if (!value) {
        error = std::string(spec.name) + " takes " + spec.allowedValues() + ", not '" +
                std::string(text) + "'";
    }
    return value;
}

std::string formatOptionValue(const OptionSpec& spec, const OptionValue& value) {
    switch (spec.kind) {
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

OptionValue readOption(const Preferences& preferences, const OptionSpec& spec) {
    if (auto value = storedValue(preferences, spec)) {
        return std::move(*value);
    }
    if (preferences.contains(spec.storedKey)) {
        logLine("Ignored a stored value that is not one of the option's: ", spec.name);
    }
    return defaultOptionValue(spec);
}

OptionValue defaultOptionValue(const OptionSpec& spec) {
    return parseText(spec, spec.defaultValue).value_or(OptionValue{});
}

void writeOption(Preferences& preferences, const OptionSpec& spec, const OptionValue& value) {
    const std::string_view key = spec.storedKey;
    switch (spec.kind) {
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
    const OptionSpec* spec = findOption(name);
    return spec != nullptr && spec->kind == OptionKind::onOff && readOption(preferences, *spec).on;
}

std::string choiceOption(const Preferences& preferences, std::string_view name) {
    const OptionSpec* spec = findOption(name);
    return spec != nullptr && spec->kind == OptionKind::choice ? readOption(preferences, *spec).word
                                                               : std::string();
}

std::vector<std::string> listOption(const Preferences& preferences, std::string_view name) {
    const OptionSpec* spec = findOption(name);
    return spec != nullptr && spec->kind == OptionKind::list ? readOption(preferences, *spec).items
                                                             : std::vector<std::string>();
}

double numberOption(const Preferences& preferences, std::string_view name) {
    const OptionSpec* spec = findOption(name);
    return spec != nullptr && spec->kind == OptionKind::number
               ? readOption(preferences, *spec).number
               : 0.0;
}

}  // namespace quib
