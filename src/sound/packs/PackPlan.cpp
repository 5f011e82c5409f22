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

// Every regular file under the folder by its lowercase base name; of two with
// the same name, the shallower one (then the first in path order) wins.
std::map<std::string, fs::path> indexFiles(const fs::path& directory) {
    std::map<std::string, std::pair<int, fs::path>> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_regular_file(error) || it->is_symlink(error)) {
            continue;
        }
        const std::string key = lowercase(it->path().filename().string());
        const auto candidate = std::make_pair(it.depth(), it->path());
        const auto known = found.find(key);
        if (known == found.end() || candidate < known->second) {
            found[key] = candidate;
        }
    }
    std::map<std::string, fs::path> files;
    for (auto& [key, entry] : found) {
        files.emplace(key, std::move(entry.second));
    }
    return files;
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
    Planner(PackPlan& plan, std::map<std::string, fs::path> files)
        : m_plan(plan), m_index(std::move(files)) {}

    bool addDefines(const PackConfig& config);
    bool addFallbacks(const PackConfig& config);

  private:
    std::optional<ClipRange> wholeFiles(const std::string& name, const std::string& field);
    std::optional<ClipRange> slice(const std::string& name, const PackConfig::Define& define);
    std::optional<int> fileIndex(const std::string& name, const std::string& field);

    PackPlan& m_plan;
    std::map<std::string, fs::path> m_index;
    std::map<std::string, ClipRange> m_wholeFiles;
};

std::optional<int> Planner::fileIndex(const std::string& name, const std::string& field) {
    const auto found = m_index.find(lowercase(fs::path(name).filename().string()));
    if (found == m_index.end()) {
        m_plan.info.problem = field + ": file '" + name + "' not found";
        return std::nullopt;
    }
    const auto known = std::find(m_plan.files.begin(), m_plan.files.end(), found->second);
    if (known != m_plan.files.end()) {
        return static_cast<int>(known - m_plan.files.begin());
    }
    m_plan.files.push_back(found->second);
    return static_cast<int>(m_plan.files.size() - 1);
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
    if (!index) {
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
    if (config.single) {
        return true;
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
    const auto files = indexFiles(directory);
    const auto found = files.find("config.json");
    return found != files.end() ? found->second : fs::path();
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
    Planner planner(plan, indexFiles(directory));
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
