#include "cli/PacksCommand.h"

#include <nlohmann/json.hpp>

#include <ostream>

#include "options/SettingsKeys.h"
#include "platform/Log.h"
#include "platform/prefs/SqlitePreferences.h"
#include "sound/packs/PackStore.h"

namespace quib {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kUsage = "Usage: quib packs import PATH | list [--json] | use ID | remove ID";

std::optional<std::string> storedPack(const std::filesystem::path& dataDirectory) {
    const auto opened = SqlitePreferences::open(dataDirectory, SqlitePreferences::Mode::readOnly);
    return opened.store ? opened.store->stringValue(settings::keyPack) : std::nullopt;
}

// Runs a change on the store; false, with a line, when it cannot be written.
template <typename Change>
bool changeStore(const std::filesystem::path& dataDirectory, Change change) {
    auto store = SqlitePreferences::open(dataDirectory, SqlitePreferences::Mode::readWrite).store;
    change(*store);
    if (store->isInMemory()) {
        logLine("Cannot write the preferences database in ", dataDirectory.string());
        return false;
    }
    return true;
}

int importCommand(const std::filesystem::path& dataDirectory, const std::string& source,
                  std::ostream& out) {
    const PackImport result = importPack(source, dataDirectory);
    if (!result.pack) {
        logLine("Cannot import " + printableText(source) + ": ", printableText(result.problem));
        return 1;
    }
    out << "imported " << result.pack->id << ": " << printableText(result.pack->name)
        << (result.replaced ? " (replacing the earlier copy)" : "")
        << (result.takenId.empty() ? std::string()
                                   : std::string(" (the id ")
                                         .append(result.takenId)
                                         .append(" is another pack's: this one is ")
                                         .append(result.pack->id)
                                         .append(")"))
        << "\n";
    return 0;
}

int listCommand(const std::filesystem::path& dataDirectory, bool json, std::ostream& out) {
    const std::string inUse = storedPack(dataDirectory).value_or("");
    Json rows = Json::array();
    for (const PackInfo& pack : listPacks(dataDirectory)) {
        rows.push_back({{"id", pack.id},
                        {"name", pack.name},
                        {"keys", pack.keys},
                        {"release", pack.release},
                        {"valid", pack.valid},
                        {"problem", pack.valid ? Json() : Json(pack.problem)},
                        {"inUse", pack.id == inUse}});
        if (!json) {
            out << pack.id << "  " << printableText(pack.name) << "  "
                << (pack.valid ? std::to_string(pack.keys) + " keys" +
                                     (pack.release ? ", release sounds" : "")
                               : "BROKEN: " + printableText(pack.problem))
                << (pack.id == inUse ? "  (in use)" : "") << "\n";
        }
    }
    if (json) {
        out << rows.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    } else if (rows.empty()) {
        out << "No packs yet: quib packs import PATH (a folder or a .zip)\n";
    }
    return 0;
}

int useCommand(const std::filesystem::path& dataDirectory, const std::string& id,
               std::ostream& out) {
    const auto directory = packDirectory(dataDirectory, id);
    if (!directory) {
        logLine("No pack '" + printableText(id) + "' (quib packs list shows the packs)");
        return 1;
    }
    const PackPlan plan = planPack(*directory);
    if (!plan.info.valid) {
        logLine("Pack '" + id + "' cannot be used: ", printableText(plan.info.problem));
        return 1;
    }
    if (!changeStore(dataDirectory,
                     [&id](Preferences& store) { store.setString(settings::keyPack, id); })) {
        return 1;
    }
    out << "keyboard sound: " << printableText(plan.info.name) << " (" << id << ")\n";
    return 0;
}

int removeCommand(const std::filesystem::path& dataDirectory, const std::string& id,
                  std::ostream& out) {
    std::string problem;
    if (!removePack(dataDirectory, id, problem)) {
        logLine("Cannot remove the pack: ", printableText(problem));
        return 1;
    }
    out << "removed " << id << "\n";
    if (storedPack(dataDirectory) == id && changeStore(dataDirectory, [](Preferences& store) {
            Preferences::Transaction transaction(store);
            store.remove(settings::keyPack);
            store.setString(settings::keyProfile, settings::defaultProfile);
        })) {
        out << "the keyboard plays " << settings::defaultProfile << " again\n";
    }
    return 0;
}

}  // namespace

int runPacksCommand(const std::filesystem::path& dataDirectory,
                    const std::vector<std::string>& operands, bool json, std::ostream& out) {
    const std::string verb = operands.empty() ? "" : operands[0];
    if (verb == "list" && operands.size() == 1) {
        return listCommand(dataDirectory, json, out);
    }
    if (operands.size() == 2 && !json) {
        if (verb == "import") {
            return importCommand(dataDirectory, operands[1], out);
        }
        if (verb == "use") {
            return useCommand(dataDirectory, operands[1], out);
        }
        if (verb == "remove") {
            return removeCommand(dataDirectory, operands[1], out);
        }
    }
    logLine(kUsage);
    return 1;
}

}  // namespace quib
