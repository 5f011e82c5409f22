#include "cli/CommandLine.h"

#include "cli/StatsDaysCommand.h"
#include "cli/StatsTemplate.h"

namespace quib {

namespace {

// Accepts "--name value" and "--name=value"; advances i past what it took.
std::optional<std::string> optionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       const std::string& name, std::string& error) {
    const std::string& argument = arguments[i];
    if (argument.rfind(name + "=", 0) == 0) {
        return argument.substr(name.size() + 1);
    }
    if (argument != name) {
        return std::nullopt;
    }
    if (i + 1 >= arguments.size()) {
        error = name + " needs a value";
        return std::nullopt;
    }
    return arguments[++i];
}

std::optional<int> parseDays(const std::string& text) {
    int days = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9' || days > kMaxStatsDays) {
            return std::nullopt;
        }
        days = days * 10 + (ch - '0');
    }
    if (text.empty() || days < 1 || days > kMaxStatsDays) {
        return std::nullopt;
    }
    return days;
}

std::optional<CommandLine::Command> commandNamed(const std::string& word) {
    if (word == "stats") {
        return CommandLine::Command::stats;
    }
    if (word == "set") {
        return CommandLine::Command::set;
    }
    if (word == "get") {
        return CommandLine::Command::get;
    }
    if (word == "packs") {
        return CommandLine::Command::packs;
    }
    return std::nullopt;
}

bool takesOperands(CommandLine::Command command) {
    return command == CommandLine::Command::set || command == CommandLine::Command::get ||
           command == CommandLine::Command::packs;
}

bool takesJson(CommandLine::Command command) {
    return command == CommandLine::Command::stats || command == CommandLine::Command::get ||
           command == CommandLine::Command::packs;
}

// The options of `stats` go only with it, and not every one with every other.
std::string statsOptionsError(const CommandLine& line) {
    if ((line.days || line.format || line.watch) && line.command != CommandLine::Command::stats) {
        return "--days, --format and --watch belong to the stats command";
    }
    if (line.json && !takesJson(line.command)) {
        return "--json belongs to the stats, get and packs commands";
    }
    if (line.days && (line.format || line.watch)) {
        return "--days prints a table; it does not go with --format or --watch";
    }
    if (line.json && (line.format || line.watch)) {
        return "--format and --watch print lines of a template; --json does not go with them";
    }
    return {};
}

}  // namespace

CommandLine CommandLine::parse(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        const auto named = commandNamed(argument);
        if (named && line.command == Command::run) {
            line.command = *named;
        } else if (argument == "--json") {
            line.json = true;
        } else if (argument == "--watch") {
            line.watch = true;
        } else if (auto days = optionValue(arguments, i, "--days", line.error)) {
            line.days = parseDays(*days);
            if (!line.days) {
                line.error = "--days takes a whole number from 1 to " +
                             std::to_string(kMaxStatsDays) + ", not '" + *days + "'";
            }
        } else if (auto format = optionValue(arguments, i, "--format", line.error)) {
            line.format = *format;
        } else if (argument == "--version") {
            line.command = Command::version;
        } else if (argument == "--help" || argument == "-h") {
            line.command = Command::help;
        } else if (auto home = optionValue(arguments, i, "--home", line.error)) {
            line.home = *home;
        } else if (auto input = optionValue(arguments, i, "--input", line.error)) {
            if (*input != "auto" && *input != "evdev" && *input != "x11" && *input != "helper") {
                line.error = "--input takes auto, evdev, x11 or helper, not '" + *input + "'";
            }
            line.input = *input;
        } else if (auto device = optionValue(arguments, i, "--input-device", line.error)) {
            line.inputDevices.push_back(*device);
        } else if (auto autostart = optionValue(arguments, i, "--autostart", line.error)) {
            if (*autostart != "on" && *autostart != "off") {
                line.error = "--autostart takes on or off, not '" + *autostart + "'";
            }
            if (line.command != Command::run) {
                line.error = "--autostart is a command of its own, not an option of another";
            }
            line.command = Command::autostart;
            line.autostart = *autostart == "on";
        } else if (line.error.empty() && takesOperands(line.command)) {
            line.operands.push_back(argument);
        } else if (line.error.empty()) {
            line.error = "unknown argument '" + argument + "'";
        }
    }
    if (line.error.empty()) {
        line.error = statsOptionsError(line);
    }
    return line;
}

std::string usageText() {
    std::string fields;
    for (std::string_view name : statsFieldNames()) {
        fields.append(fields.empty() ? "" : " ").append(name);
    }
    return "Usage: quib [options]                 run QUIB in the tray\n"
           "       quib stats [--json] [options]  print your progress and exit\n"
           "       quib stats --days N [--json]   keys and clicks of each of the last N days\n"
           "       quib stats --format TEMPLATE   one line for a status bar: literal text\n"
           "                                      with {fields}; {{ and }} print braces\n"
           "       quib stats --watch [--format TEMPLATE]\n"
           "                                      a new line whenever a figure changes\n"
           "       quib --autostart on|off [options]\n"
           "                                      start QUIB at log-in (with these\n"
           "                                      options), or stop doing so\n"
           "       quib set NAME VALUE [options]  change an option (see quib get)\n"
           "       quib get [NAME] [--json] [options]\n"
           "                                      print the options and their values\n"
           "       quib packs import PATH         bring in a sound pack (a folder or a .zip)\n"
           "       quib packs list [--json]       the imported packs\n"
           "       quib packs use ID              make a pack the keyboard's sound\n"
           "       quib packs remove ID           delete an imported pack\n"
           "\n"
           "Options:\n"
           "  --home DIR           data directory (also $QUIB_HOME;\n"
           "                       default ${XDG_DATA_HOME:-~/.local/share}/quib)\n"
           "  --input BACKEND      auto, evdev, x11 or helper (default auto: on Wayland\n"
           "                       or without DISPLAY evdev where the devices are\n"
           "                       readable, else the installed input helper; X11\n"
           "                       otherwise)\n"
           "  --input-device PATH  read exactly this event device (repeatable)\n"
           "  --version            print the version and exit\n"
           "  --help               print this help and exit\n"
           "\n"
           "Fields of --format: " +
           fields + "\n";
}

}  // namespace quib
