#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/prefs/Preferences.h"

namespace quib {

// The options that have no place in the panel, set with `quib set NAME VALUE`
// and read with `quib get`. One table (Options.cpp) names them all: a new
// option is a new row, plus the code that follows its value.
//
// Values live in the preferences store under their own keys, like every other
// setting. A value that is absent, or stored with the wrong type or out of
// range (a hand-edited store), reads as the option's default.

// How an option's value is written on the command line and kept in the store.
enum class OptionKind {
    onOff,   // "on" or "off"; stored as a bool
    number,  // a decimal number within [minimum, maximum]; stored as a float
    choice,  // one of `choices`; stored as a string
    list,    // comma-separated names ("a,b"); stored as a list of strings
};

// Whether the desktop this runs on lets the option work at all.
struct OptionAvailability {
    bool available = true;
    std::string_view reason;  // why not, for `quib get`
};

struct OptionDefinition {
    std::string_view name;  // as typed: "release-sounds"
    OptionKind kind = OptionKind::onOff;
    std::string_view storedKey;     // the preference key: "releaseSounds"
    std::string_view defaultValue;  // in the command line's form: "on", "0.4"
    std::string_view description;
    double minimum = 0.0;                            // number
    double maximum = 1.0;                            // number
    std::string_view choices;                        // choice: the allowed words, separated by '|'
    OptionAvailability (*availability)() = nullptr;  // null: available everywhere

    OptionAvailability availableHere() const {
        return availability != nullptr ? availability() : OptionAvailability{};
    }
    // What the value may be, for messages: "on|off", "0..1", "a|b".
    std::string allowedValues() const;
};

// A value of an option; which member counts follows the option's kind.
struct OptionValue {
    bool on = false;                 // onOff
    double number = 0.0;             // number
    std::string word;                // choice
    std::vector<std::string> items;  // list

    bool operator==(const OptionValue&) const = default;
};

// How long a list may be: more names, or a longer name, is refused when set;
// a stored list beyond it is read up to it, with one line.
inline constexpr std::size_t kMostListNames = 256;
inline constexpr std::size_t kLongestListName = 256;

// The names of the program's own options.
namespace option {
inline constexpr std::string_view releaseSounds = "release-sounds";
inline constexpr std::string_view stereoWidth = "stereo-width";
inline constexpr std::string_view packLoudness = "pack-loudness";
inline constexpr std::string_view muteChord = "mute-chord";
inline constexpr std::string_view muteDuringCalls = "mute-during-calls";
inline constexpr std::string_view muteInFullscreen = "mute-in-fullscreen";
inline constexpr std::string_view muteInApps = "mute-in-apps";
}  // namespace option

std::span<const OptionDefinition> allOptions();
// The row named exactly `name`, or null.
const OptionDefinition* findOption(std::string_view name);

// The command line's text as a value of the option; nullopt, with a message
// in `error`, when it is not one.
std::optional<OptionValue> parseOptionValue(const OptionDefinition& definition,
                                            std::string_view text, std::string& error);
// The value in the command line's form ("on", "0.4", "a,b").
std::string formatOptionValue(const OptionDefinition& definition, const OptionValue& value);

// The option's default value.
OptionValue defaultOptionValue(const OptionDefinition& definition);
// The stored value, or the default when none is stored or it is not valid.
OptionValue readOption(const Preferences& preferences, const OptionDefinition& definition);
void writeOption(Preferences& preferences, const OptionDefinition& definition,
                 const OptionValue& value);

// Reads of the program's own options by name (the name must be in the table
// with that kind; anything else reads as off, 0, "" or no items).
bool onOffOption(const Preferences& preferences, std::string_view name);
double numberOption(const Preferences& preferences, std::string_view name);
std::string choiceOption(const Preferences& preferences, std::string_view name);
std::vector<std::string> listOption(const Preferences& preferences, std::string_view name);

}  // namespace quib
