#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quib {

// What `quib` was asked to do:
//   quib [options]                 the tray application
//   quib stats [--json] [options]  print the figures of the store and exit
//   quib stats --days N [--json]   the daily counts of the last N days
//   quib stats --format TEMPLATE   one line of named figures
//   quib stats --watch [--format TEMPLATE]
//                                  that line again whenever it changes
//   quib --autostart on|off [options]
//                                  start QUIB (with these options) at log-in, or not
//   quib set NAME VALUE [options]  change an option that has no place in the panel
//   quib get [NAME] [--json] [options]
//                                  print the options, or one of them
//   quib packs import PATH | list [--json] | use ID | remove ID [options]
//                                  the keyboard's sound packs
// Options for every mode: --home DIR, --input auto|evdev|x11, --input-device PATH
// (repeatable), --version, --help.
struct CommandLine {
    enum class Command { run, stats, autostart, set, get, packs, version, help };

    Command command = Command::run;
    bool json = false;
    std::optional<int> days;            // stats --days N
    std::optional<std::string> format;  // stats --format TEMPLATE
    bool watch = false;                 // stats --watch
    bool autostart = false;             // --autostart on (true) or off (false)
    std::optional<std::filesystem::path> home;
    std::string input = "auto";
    std::vector<std::string> inputDevices;
    // The words after a command that takes them (set, get, packs), unchecked: the
    // command itself says what is wrong with them.
    std::vector<std::string> operands;
    std::string error;  // non-empty: the arguments were not understood

    static CommandLine parse(const std::vector<std::string>& arguments);
};

std::string usageText();

}  // namespace quib
