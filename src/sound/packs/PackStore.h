#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sound/packs/SoundPack.h"

namespace quib {

// The imported packs, one folder each: <data dir>/packs/<id>/. The folder
// holds the pack's files as they came and the loudness measured at import
// (kPackLoudnessFile); nothing else is kept about a pack.
std::filesystem::path packsDirectory(const std::filesystem::path& dataDirectory);

// Every pack, valid or not (a broken one never hides the others), by name.
std::vector<PackInfo> listPacks(const std::filesystem::path& dataDirectory);

// A pack id: lowercase letters, digits, '-', '_' and '.', not starting with a
// dot; nothing else can name a folder under packs/.
bool isPackId(std::string_view id);
// The id a pack gets: its config's `id`, else its name, made into an id.
std::string packIdFor(std::string_view declaredId, std::string_view name);

struct PackImport {
    std::optional<PackInfo> pack;  // set when imported
    bool replaced = false;         // an earlier copy of the pack was replaced
    std::string takenId;           // the id it asked for, when another pack holds that
    std::string problem;           // names the file and the field
};

// Checks the pack (a folder or a .zip) completely, decoding every sound and
// measuring its loudness, in a temporary folder; only a pack that passes is moved into packs/<id>.
// An earlier import of the same pack (its name and every file the same) is replaced; a different
// pack never is: when it holds the id, this pack gets id-2 (or -3...) instead. On any problem the
// data directory is left as it was and the temporary folder is removed.
PackImport importPack(const std::filesystem::path& source,
                      const std::filesystem::path& dataDirectory);

// The text with every control character (ESC, newline...) written as \xNN,
// for names and messages that came from a pack and go to a terminal or log.
std::string printableText(std::string_view text);

// Deletes packs/<id>. False with a problem when there is no such pack.
bool removePack(const std::filesystem::path& dataDirectory, const std::string& id,
                std::string& problem);

// The pack's folder if packs/<id> exists.
std::optional<std::filesystem::path> packDirectory(const std::filesystem::path& dataDirectory,
                                                   const std::string& id);

}  // namespace quib
