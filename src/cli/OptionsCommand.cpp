#include "cli/OptionsCommand.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>

#include "options/Options.h"
#include "platform/Log.h"
#include "platform/prefs/SqlitePreferences.h"

namespace quib {

namespace {

using Json = nlohmann::ordered_json;

const OptionDefinition* knownOption(const std::string& name) {
    const OptionDefinition* definition = findOption(name);
    if (definition == nullptr) {
        std::string names;
        for (const OptionDefinition& option : allOptions()) {
            names += (names.empty() ? "" : ", ") + std::string(option.name);
        }
        logLine("Unknown option '" + name + "'; the options are: ", names);
    }
    return definition;
}

// Numbers and lists in JSON's own form; on/off and choices as typed.
Json jsonValue(const OptionDefinition& definition, const OptionValue& value) {
    switch (definition.kind) {
        case OptionKind::number:
            return value.number;
        case OptionKind::list:
            return value.items;
        case OptionKind::onOff:
        case OptionKind::choice:
            break;
    }
    return formatOptionValue(definition, value);
}

Json describe(const OptionDefinition& definition, const OptionValue& value) {
    const OptionAvailability availability = definition.availableHere();
    Json row{{"name", definition.name},
             {"value", jsonValue(definition, value)},
             {"default", jsonValue(definition, defaultOptionValue(definition))},
             {"allowed", definition.allowedValues()},
             {"available", availability.available},
             {"description", definition.description}};
    if (!availability.available) {
        row["reason"] = availability.reason;
    }
    return row;
}

std::string shownValue(const OptionDefinition& definition, const OptionValue& value) {
    const OptionAvailability availability = definition.availableHere();
    if (!availability.available) {
        return "unavailable (" + std::string(availability.reason) + ")";
    }
    return formatOptionValue(definition, value);
}

void printText(const std::vector<const OptionDefinition*>& definitions, const Preferences& store,
               std::ostream& out) {
    if (definitions.size() == 1) {
        out << shownValue(*definitions[0], readOption(store, *definitions[0])) << "\n";
        return;
    }
    std::size_t width = 0;
    for (const OptionDefinition* definition : definitions) {
        width = std::max(width, definition->name.size());
    }
    for (const OptionDefinition* definition : definitions) {
        out << definition->name << std::string(width + 2 - definition->name.size(), ' ')
            << shownValue(*definition, readOption(store, *definition)) << "\n";
    }
}

}  // namespace

int runSetCommand(const std::filesystem::path& dataDirectory,
                  const std::vector<std::string>& operands, std::ostream& out) {
    if (operands.size() != 2) {
        logLine("Usage: quib set NAME VALUE (quib get lists the options)");
        return 1;
    }
    const OptionDefinition* definition = knownOption(operands[0]);
    if (definition == nullptr) {
        return 1;
    }
    std::string error;
    const auto value = parseOptionValue(*definition, operands[1], error);
    if (!value) {
        logLine(error);
        return 1;
    }
    auto store = SqlitePreferences::open(dataDirectory, SqlitePreferences::Mode::readWrite).store;
    writeOption(*store, *definition, *value);
    if (store->isInMemory()) {
        logLine("Cannot write the preferences database in ", dataDirectory.string());
        return 1;
    }
    out << definition->name << " " << formatOptionValue(*definition, *value) << "\n";
    if (const OptionAvailability here = definition->availableHere(); !here.available) {
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
    std::vector<const OptionDefinition*> definitions;
    if (operands.empty()) {
        for (const OptionDefinition& definition : allOptions()) {
            definitions.push_back(&definition);
        }
    } else if (const OptionDefinition* definition = knownOption(operands[0])) {
        definitions.push_back(definition);
    } else {
        return 1;
    }
    const auto opened = SqlitePreferences::open(dataDirectory, SqlitePreferences::Mode::readOnly);
    if (!opened.store) {
        logLine("Cannot read the preferences database: ", opened.error);
        return 1;
    }
    if (!json) {
        printText(definitions, *opened.store, out);
        return 0;
    }
    Json rows = Json::array();
    for (const OptionDefinition* definition : definitions) {
        rows.push_back(describe(*definition, readOption(*opened.store, *definition)));
    }
    const Json& shown = operands.empty() ? rows : rows[0];
    out << shown.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    return 0;
}

}  // namespace quib
