#include "sound/packs/PackStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "sound/packs/PackSource.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLongestId = 48;

// what + "'" + name + "'", built by appending (GCC 12 -Wrestrict, as above).
std::string quotedAfter(std::string_view what, std::string_view name) {
    std::string text(what);
    text.append("'").append(name).append("'");
    return text;
}

std::string folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A fresh folder of our own; empty when none can be made.
fs::path makeTemporaryFolder(const fs::path& parent, const std::string& prefix) {
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    return ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
}

// Moves the checked pack into place; another file system means a copy.
bool install(const fs::path& staged, const fs::path& packs, const std::string& id,
             std::string& problem) {
    std::error_code error;
    fs::create_directories(packs.parent_path(), error);
    ::mkdir(packs.c_str(), 0700);  // fails harmlessly when it is there
    const fs::path landing = makeTemporaryFolder(packs, "." + id + ".import-");
    if (landing.empty()) {
        problem = "cannot write " + packs.string();
        return false;
    }
    fs::remove(landing, error);
    fs::rename(staged, landing, error);
    if (error && !copyPackFiles(staged, landing, problem)) {
        fs::remove_all(landing, error);  // the earlier copy stays as it was
        return false;
    }
    error.clear();
    const fs::path target = packs / id;
    const fs::path old = packs / ("." + id + ".old");
    fs::remove_all(old, error);
    fs::rename(target, old, error);  // fails harmlessly when there is no earlier copy
    error.clear();
    fs::rename(landing, target, error);
    if (error) {
        problem = "cannot write " + target.string() + ": " + error.message();
        fs::remove_all(landing, error);
        fs::rename(old, target, error);
        return false;
    }
    fs::remove_all(old, error);
    return true;
}

// Every regular file under the folder, by its relative path.
std::set<fs::path> filesUnder(const fs::path& directory) {
    std::set<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error) && !it->is_symlink(error) &&
            it->path() != directory / kPackLoudnessFile) {  // ours, not the pack's
            files.insert(it->path().lexically_relative(directory));
        }
    }
    return files;
}

bool sameBytes(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::file_size(a, error) != fs::file_size(b, error) || error) {
        return false;
    }
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(first), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(second), std::istreambuf_iterator<char>());
}

// The same pack: the same name and the same files, byte for byte.
bool isSamePack(const PackPlan& plan, const fs::path& staged, const fs::path& installed) {
    if (planPack(installed).info.name != plan.info.name) {
        return false;
    }
    const auto files = filesUnder(staged);
    return files == filesUnder(installed) &&
           std::all_of(files.begin(), files.end(), [&](const fs::path& file) {
               return sameBytes(staged / file, installed / file);
           });
}

// The pack's id: the one its config asks for, unless a different pack holds
// it; then the first of id-2, id-3... that is free or holds this same pack.
std::optional<std::string> chooseId(const PackPlan& plan, const fs::path& staged,
                                    const fs::path& dataDirectory, bool& replaced) {
    constexpr int kMostTries = 1000;
    const std::string wanted = packIdFor(plan.declaredId, plan.info.name);
    for (int n = 1; n <= kMostTries; ++n) {
        std::string suffix = n == 1 ? "" : std::to_string(n);
        if (n > 1) {
            suffix.insert(suffix.begin(), '-');  // not "-" + ...: GCC 12 -Wrestrict in Release
        }
        const std::string id = wanted.substr(0, kLongestId - suffix.size()) + suffix;
        const auto installed = packDirectory(dataDirectory, id);
        if (!installed || isSamePack(plan, staged, *installed)) {
            replaced = installed.has_value();
            return id;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string printableText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            shown.append("\\x").push_back(kHex[byte >> 4]);
            shown.push_back(kHex[byte & 0xf]);
        } else {
            shown.push_back(c);
        }
    }
    return shown;
}

fs::path packsDirectory(const fs::path& dataDirectory) {
    return dataDirectory / "packs";
}

std::vector<PackInfo> listPacks(const fs::path& dataDirectory) {
    std::vector<PackInfo> packs;
    std::error_code error;
    for (fs::directory_iterator it(packsDirectory(dataDirectory), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (isPackId(name) && it->is_directory(error) && !it->is_symlink(error)) {
            packs.push_back(planPack(it->path()).info);
        }
    }
    std::sort(packs.begin(), packs.end(), [](const PackInfo& a, const PackInfo& b) {
        return std::pair(folded(a.name), a.id) < std::pair(folded(b.name), b.id);
    });
    return packs;
}

bool isPackId(std::string_view id) {
    return !id.empty() && id.size() <= kLongestId && id.front() != '.' &&
           std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                      c == '.';
           });
}

std::string packIdFor(std::string_view declaredId, std::string_view name) {
    std::string id;
    for (const char c : folded(std::string(declaredId.empty() ? name : declaredId))) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (plain) {
            id.push_back(c);
        } else if (!id.empty() && id.back() != '-') {
            id.push_back('-');
        }
    }
    while (!id.empty() && id.back() == '-') {
        id.pop_back();
    }
    id = id.substr(0, kLongestId);
    return id.empty() ? "pack" : id;
}

namespace {

// Brings the checked pack from `staged` into packs/.
void importStaged(const fs::path& source, const fs::path& staged, const fs::path& dataDirectory,
                  PackImport& result) {
    if (!copyPackSource(source, staged, result.problem)) {
        return;
    }
    std::error_code error;
    fs::remove(staged / kPackLoudnessFile, error);  // measured here, never taken from a pack
    const PackPlan plan = planPack(staged);
    const PackLoad load = loadPack(plan);
    if (!load.sounds) {
        result.problem = load.problem;
        return;
    }
    if (load.loudness && !storePackLoudness(staged, *load.loudness, result.problem)) {
        return;
    }
    const std::string wanted = packIdFor(plan.declaredId, plan.info.name);
    const auto id = chooseId(plan, staged, dataDirectory, result.replaced);
    if (!id) {
        result.problem = quotedAfter("every id like ", wanted) + " is taken by another pack";
    } else if (install(staged, packsDirectory(dataDirectory), *id, result.problem)) {
        result.pack = plan.info;
        result.pack->id = *id;
        result.takenId = *id != wanted ? wanted : "";
    }
}

}  // namespace

PackImport importPack(const fs::path& source, const fs::path& dataDirectory) {
    PackImport result;
    std::error_code error;
    fs::path temporary = fs::temp_directory_path(error);
    const fs::path scratch =
        makeTemporaryFolder(error ? fs::path("/tmp") : temporary, "quib-pack-");
    if (scratch.empty()) {
        result.problem = "cannot make a temporary folder";
        return result;
    }
    try {
        importStaged(source, scratch / "pack", dataDirectory, result);
    } catch (const std::exception& failure) {  // out of memory or disk, never past here
        result.pack.reset();
        result.problem = failure.what();
    }
    fs::remove_all(scratch, error);
    return result;
}

bool removePack(const fs::path& dataDirectory, const std::string& id, std::string& problem) {
    const auto directory = packDirectory(dataDirectory, id);
    std::error_code error;
    if (!directory || (fs::remove_all(*directory, error), error)) {
        problem = directory ? "cannot remove " + directory->string() + ": " + error.message()
                            : "no pack '" + id + "' (quib packs list shows the packs)";
        return false;
    }
    return true;
}

std::optional<fs::path> packDirectory(const fs::path& dataDirectory, const std::string& id) {
    const fs::path directory = packsDirectory(dataDirectory) / id;
    std::error_code error;
    if (!isPackId(id) || fs::is_symlink(directory, error) || !fs::is_directory(directory, error)) {
        return std::nullopt;
    }
    return directory;
}

}  // namespace quib
