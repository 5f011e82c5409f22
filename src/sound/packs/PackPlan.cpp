// Checking a pack on disk: its config, and every file it names.
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "sound/packs/SoundPack.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kLargestConfig = 1 << 20;

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

// Every regular file of a pack, found three ways: by its path relative to the
// folder that holds config.json, that path in lowercase, and its lowercase
// base name (the last two may name several files).
struct FileIndex {
    std::map<std::string, fs::path> byPath;
    std::map<std::string, std::vector<fs::path>> byFoldedPath;
    std::map<std::string, std::vector<fs::path>> byFoldedName;
};

FileIndex indexFiles(const fs::path& directory, const fs::path& root) {
    FileIndex index;
    std::error_code error;
    for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_regular_file(error) || it->is_symlink(error)) {
            continue;
        }
        const std::string relative = it->path().lexically_relative(root).generic_string();
        index.byPath.emplace(relative, it->path());
        index.byFoldedPath[lowercase(relative)].push_back(it->path());
        index.byFoldedName[lowercase(it->path().filename().string())].push_back(it->path());
    }
    return index;
}

// The shallowest config.json, whatever its case (then the first in path order).
fs::path shallowestConfig(const fs::path& directory) {
    std::optional<std::pair<int, fs::path>> best;
    std::error_code error;
    for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (lowercase(it->path().filename().string()) != "config.json" ||
            !it->is_regular_file(error) || it->is_symlink(error)) {
            continue;
        }
        const auto candidate = std::make_pair(it.depth(), it->path());
        if (!best || candidate < *best) {
            best = candidate;
        }
    }
    return best ? best->second : fs::path();
}

// The paths of several files, for a message: "press/a.wav, release/a.wav".
std::string listed(const std::vector<fs::path>& files, const fs::path& directory) {
    std::vector<std::string> names;
    for (const fs::path& file : files) {
        names.push_back(file.lexically_relative(directory).generic_string());
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) {
        text.append(text.empty() ? "" : ", ").append(name);
    }
    return text;
}

std::optional<std::string> readConfig(const fs::path& file, std::string& problem) {
    std::error_code error;
    if (fs::file_size(file, error) > kLargestConfig || error) {
        problem = "config.json is larger than 1 MB";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Builds the plan's files, clips and key ranges from a parsed config.
class Planner {
  public:
    Planner(PackPlan& plan, FileIndex files) : m_plan(plan), m_index(std::move(files)) {}

    bool addDefines(const PackConfig& config);
    bool addFallbacks(const PackConfig& config);

  private:
    std::optional<ClipRange> wholeFiles(const std::string& name, const std::string& field);
    std::optional<ClipRange> slice(const std::string& name, const PackConfig::Define& define);
    std::optional<int> fileIndex(const std::string& name, const std::string& field);
    std::optional<fs::path> findFile(const std::string& name, const std::string& field);
    bool roomForClips(std::size_t more, const std::string& field);

    PackPlan& m_plan;
    FileIndex m_index;
    std::map<std::string, ClipRange> m_wholeFiles;
};

// The path as written, relative to the folder of config.json; then that path
// whatever its case; only when no file lies there, the one file of the pack
// with that base name. Several files of that name is a problem, never a guess.
std::optional<fs::path> Planner::findFile(const std::string& name, const std::string& field) {
    std::string written = name;
    std::replace(written.begin(), written.end(), '\\', '/');
    const std::string path = fs::path(written).lexically_normal().generic_string();
    if (const auto exact = m_index.byPath.find(path); exact != m_index.byPath.end()) {
        return exact->second;
    }
    const auto unique = [&](const std::map<std::string, std::vector<fs::path>>& map,
                            const std::string& key) -> std::optional<fs::path> {
        const auto found = map.find(key);
        if (found == map.end()) {
            return std::nullopt;
        }
        if (found->second.size() > 1) {
            m_plan.info.problem = field + ": file '" + name +
                                  "' is ambiguous: " + std::to_string(found->second.size()) +
                                  " files match (" + listed(found->second, m_plan.directory) + ")";
            return std::nullopt;
        }
        return found->second.front();
    };
    if (auto folded = unique(m_index.byFoldedPath, lowercase(path))) {
        return folded;
    }
    if (!m_plan.info.problem.empty()) {
        return std::nullopt;
    }
    if (auto byName = unique(m_index.byFoldedName, lowercase(fs::path(path).filename().string()))) {
        return byName;
    }
    if (m_plan.info.problem.empty()) {
        m_plan.info.problem = field + ": file '" + name + "' not found";
    }
    return std::nullopt;
}

std::optional<int> Planner::fileIndex(const std::string& name, const std::string& field) {
    const auto found = findFile(name, field);
    if (!found) {
        return std::nullopt;
    }
    const auto known = std::find(m_plan.files.begin(), m_plan.files.end(), *found);
    if (known != m_plan.files.end()) {
        return static_cast<int>(known - m_plan.files.begin());
    }
    m_plan.files.push_back(*found);
    return static_cast<int>(m_plan.files.size() - 1);
}

// Clips are numbered in 16 bits: a pack with more is refused, not wrapped.
bool Planner::roomForClips(std::size_t more, const std::string& field) {
    if (m_plan.clipFiles.size() + more > kMostPackClips) {
        m_plan.info.problem =
            field + ": the pack holds more than " + std::to_string(kMostPackClips) + " sounds";
        return false;
    }
    return true;
}

std::optional<ClipRange> Planner::wholeFiles(const std::string& name, const std::string& field) {
    if (const auto known = m_wholeFiles.find(name); known != m_wholeFiles.end()) {
        return known->second;
    }
    const auto names = expandFileRange(name);
    if (!names) {
        m_plan.info.problem = field + ": '" + name + "' holds a malformed {a-b} range";
        return std::nullopt;
    }
    if (!roomForClips(names->size(), field)) {
        return std::nullopt;
    }
    const ClipRange range{static_cast<std::uint16_t>(m_plan.clipFiles.size()),
                          static_cast<std::uint16_t>(names->size())};
    for (const std::string& each : *names) {
        const auto index = fileIndex(each, field);
        if (!index) {
            return std::nullopt;
        }
        m_plan.clipFiles.push_back(*index);
        m_plan.clipSlices.emplace_back();
    }
    m_wholeFiles.emplace(name, range);
    return range;
}

std::optional<ClipRange> Planner::slice(const std::string& name, const PackConfig::Define& define) {
    const auto index = fileIndex(name, "'sound'");
    if (!index || !roomForClips(1, "'defines'.'" + define.field + "'")) {
        return std::nullopt;
    }
    m_plan.clipFiles.push_back(*index);
    m_plan.clipSlices.push_back(PackPlan::Slice{define.startMs, define.durationMs});
    return ClipRange{static_cast<std::uint16_t>(m_plan.clipFiles.size() - 1), 1};
}

bool Planner::addDefines(const PackConfig& config) {
    const std::string& releaseFile = config.soundUp.empty() ? config.sound : config.soundUp;
    for (const PackConfig::Define& define : config.defines) {
        std::optional<ClipRange> range = ClipRange{};
        const std::string field = "'defines'.'" + define.field + "'";
        if (config.single && define.durationMs > 0.0) {
            range = slice(define.release ? releaseFile : config.sound, define);
        } else if (!config.single && !define.file.empty()) {
            range = wholeFiles(define.file, field);
        }
        if (!range) {
            return false;
        }
        (define.release ? m_plan.sounds.release : m_plan.sounds.press)[define.key] = *range;
    }
    return true;
}

bool Planner::addFallbacks(const PackConfig& config) {
    if (config.single || config.version == 1) {
        return true;  // version 1 "multi": `sound` is required but not played
    }
    const auto fallback = [this](const std::string& name, const char* field, ClipRange& range) {
        const auto found = name.empty() ? std::optional(ClipRange{}) : wholeFiles(name, field);
        range = found.value_or(ClipRange{});
        return found.has_value();
    };
    return fallback(config.sound, "'sound'", m_plan.sounds.pressFallback) &&
           fallback(config.soundUp, "'soundup'", m_plan.sounds.releaseFallback);
}

}  // namespace

fs::path findPackConfig(const fs::path& directory) {
    return shallowestConfig(directory);
}

PackPlan planPack(const fs::path& directory) {
    PackPlan plan;
    plan.directory = directory;
    plan.info.id = directory.filename().string();
    plan.info.name = plan.info.id;
    const fs::path configFile = findPackConfig(directory);
    if (configFile.empty()) {
        plan.info.problem = "no config.json in the pack";
        return plan;
    }
    std::string problem;
    const auto text = readConfig(configFile, problem);
    const auto config = text ? parsePackConfig(*text, problem) : std::nullopt;
    if (!config) {
        plan.info.problem = "config.json: " + problem;
        return plan;
    }
    plan.info.name = config->name;
    plan.declaredId = config->id;
    plan.sounds.variesRate = false;
    Planner planner(plan, indexFiles(directory, configFile.parent_path()));
    if (!planner.addDefines(*config) || !planner.addFallbacks(*config)) {
        plan.info.problem = "config.json: " + plan.info.problem;
        return plan;
    }
    plan.info.keys = plan.sounds.ownKeys();
    plan.info.release = plan.sounds.hasReleases();
    plan.info.valid = true;
    return plan;
}

}  // namespace quib
