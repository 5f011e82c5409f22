#include "sound/packs/PackStore.h"

#include <algorithm>
#include <cstdlib>

#include "sound/packs/PackSource.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLongestId = 48;

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
    fs::create_directories(packs, error);
    const fs::path landing = makeTemporaryFolder(packs, "." + id + ".import-");
    if (landing.empty()) {
        problem = "cannot write " + packs.string();
        return false;
    }
    fs::remove(landing, error);
    fs::rename(staged, landing, error);
    if (error) {
        error.clear();
        fs::copy(staged, landing, fs::copy_options::recursive, error);
    }
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

}  // namespace

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

PackImport importPack(const fs::path& source, const fs::path& dataDirectory) {
    PackImport result;
    const fs::path scratch = makeTemporaryFolder(fs::temp_directory_path(), "quib-pack-");
    if (scratch.empty()) {
        result.problem = "cannot make a temporary folder";
        return result;
    }
    const fs::path staged = scratch / "pack";
    if (copyPackSource(source, staged, result.problem)) {
        const PackPlan plan = planPack(staged);
        PackLoad load = loadPack(plan);
        if (load.sounds) {
            const std::string id = packIdFor(plan.declaredId, plan.info.name);
            result.replaced = packDirectory(dataDirectory, id).has_value();
            if (install(staged, packsDirectory(dataDirectory), id, result.problem)) {
                result.pack = plan.info;
                result.pack->id = id;
            }
        } else {
            result.problem = load.problem;
        }
    }
    std::error_code error;
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
