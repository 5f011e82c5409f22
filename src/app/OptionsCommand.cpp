#include "app/OptionsCommand.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>

#include "app/Options.h"
#include "platform/Log.h"
#include "platform/prefs/SqlitePreferences.h"

namespace quib {

namespace {

using Json = nlohmann::ordered_json;

const OptionSpec* knownOption(const std::string& name) {
    const OptionSpec* spec = findOption(name);
    if (spec == nullptr) {
        std::string names;
        for (const OptionSpec& option : allOptions()) {
            names += (names.empty() ? "" : ", ") + std::string(option.name);
        }
        logLine("Unknown option '" + name + "'; the options are: ", names);
    }
    return spec;
}

// Numbers and lists in JSON's own form; on/off and choices as typed.
Json jsonValue(const OptionSpec& spec, const OptionValue& value) {
    switch (spec.kind) {
        case OptionKind::number:
            return value.number;
        case OptionKind::list:
            return value.items;
        case OptionKind::onOff:
        case OptionKind::choice:
            break;
    }
    return formatOptionValue(spec, value);
}

Json describe(const OptionSpec& spec, const OptionValue& value) {
    const OptionAvailability availability = spec.availableHere();
    Json row{{"name", spec.name},
             {"value", jsonValue(spec, value)},
             {"default", jsonValue(spec, defaultOptionValue(spec))},
             {"allowed", spec.allowedValues()},
             {"available", availability.available},
             {"description", spec.description}};
    if (!availability.available) {
        row["reason"] = availability.reason;
    }
    return row;
}

std::string shownValue(const OptionSpec& spec, const OptionValue& value) {
    const OptionAvailability availability = spec.availableHere();
    if (!availability.available) {
        return "unavailable (" + std::string(availability.reason) + ")";
    }
    return formatOptionValue(spec, value);
}

void printText(const std::vector<const OptionSpec*>& specs, const Preferences& store,
               std::ostream& out) {
    if (specs.size() == 1) {
        out << shownValue(*specs[0], readOption(store, *specs[0])) << "\n";
        return;
    }
    std::size_t width = 0;
    for (const OptionSpec* spec : specs) {
        width = std::max(width, spec->name.size());
    }
    for (const OptionSpec* spec : specs) {
        out << spec->name << std::string(width + 2 - spec->name.size(), ' ')
            << shownValue(*spec, readOption(store, *spec)) << "\n";
    }
}

}  // namespace

int runSetCommand(const std::filesystem::path& dataDirectory,
                  const std::vector<std::string>& operands, std::ostream& out) {
    if (operands.size() != 2) {
        logLine("Usage: quib set NAME VALUE (quib get lists the options)");
        return 1;
    }
    const OptionSpec* spec = knownOption(operands[0]);
    if (spec == nullptr) {
        return 1;
    }
    std::string error;
    const auto value = parseOptionValue(*spec, operands[1], error);
    if (!value) {
        logLine(error);
        return 1;
    }
    auto store = SqlitePreferences::open(dataDirectory, SqlitePreferences::Mode::readWrite).store;
    writeOption(*store, *spec, *value);
    if (store->isInMemory()) {
        logLine("Cannot write the preferences database in ", dataDirectory.string());
        return 1;
    }
    out << spec->name << " " << formatOptionValue(*spec, *value) << "\n";
    if (const OptionAvailability here = spec->availableHere(); !here.available) {
        out << "(stored; it has no effect here: " << here.reason << ")\n";
    }
    return 0;
}

int runGetCommand(const std::filesystem::path& dataDirectory,
                  const std::vector<std::string>& operands, bool json, std::ostream& out) {
    if (operands.size() > 1) {
        logLine("Usage: quib get [NAME] [--json]");
        return 1;
    }
    std::vector<const OptionSpec*> specs;
    if (operands.empty()) {
        for (const OptionSpec& spec : allOptions()) {
            specs.push_back(&spec);
        }
    } else if (const OptionSpec* spec = knownOption(operands[0])) {
        specs.push_back(spec);
    } else {
        return 1;
    }
    const auto opened = SqlitePreferences::open(dataDirectory, SqlitePreferences::Mode::readOnly);
    if (!opened.store) {
        logLine("Cannot read the preferences database: ", opened.error);
        return 1;
    }
    if (!json) {
        printText(specs, *opened.store, out);
        return 0;
    }
    Json rows = Json::array();
    for (const OptionSpec* spec : specs) {
        rows.push_back(describe(*spec, readOption(*opened.store, *spec)));
    }
    const Json& shown = operands.empty() ? rows : rows[0];
    out << shown.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    return 0;
}

}  // namespace quib
