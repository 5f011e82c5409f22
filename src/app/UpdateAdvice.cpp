#include "app/UpdateAdvice.h"

#include <fstream>
#include <system_error>

namespace quib {

namespace fs = std::filesystem;

namespace {

// The executable sits in the build folder's root or a few folders below it.
constexpr int kBuildTreeDepth = 3;
// A CMake cache line longer than this is not the one looked for.
constexpr std::size_t kLongestCacheLine = 4096;

fs::path buildTreeCache(const fs::path& executable) {
    fs::path folder = executable.parent_path();
    for (int depth = 0; depth <= kBuildTreeDepth && !folder.empty(); ++depth) {
        std::error_code error;
        const fs::path cache = folder / "CMakeCache.txt";
        if (fs::is_regular_file(cache, error)) {
            return cache;
        }
        if (folder == folder.parent_path()) {
            break;
        }
        folder = folder.parent_path();
    }
    return {};
}

bool underSystemPrefix(const fs::path& executable) {
    const std::string path = executable.lexically_normal().string();
    auto startsWith = [&path](const std::string& prefix) { return path.rfind(prefix, 0) == 0; };
    return (startsWith("/usr/") && !startsWith("/usr/local/")) || startsWith("/bin/");
}

}  // namespace

InstallKind installKind(const fs::path& executable) {
    if (!buildTreeCache(executable).empty()) {
        return InstallKind::sourceBuild;
    }
    return underSystemPrefix(executable) ? InstallKind::package : InstallKind::sourceInstall;
}

fs::path sourceFolderOf(const fs::path& executable) {
    const fs::path cache = buildTreeCache(executable);
    if (cache.empty()) {
        return {};
    }
    std::ifstream in(cache);
    const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() <= kLongestCacheLine && line.rfind(key, 0) == 0) {
            return fs::path(line.substr(key.size()));
        }
    }
    return {};
}

UpdateAdvice updateAdvice(const fs::path& executable) {
    switch (installKind(executable)) {
        case InstallKind::package:
            return {"QUIB updates come with your system's",
                    "QUIB was installed as a package: your package manager updates it with "
                    "the rest of the system (sudo apt update && sudo apt upgrade)."};
        case InstallKind::sourceBuild: {
            const fs::path source = sourceFolderOf(executable);
            const std::string where =
                source.empty() ? std::string("its source folder") : source.string();
            return {"QUIB updates come from its source",
                    "This QUIB was built from source: run git pull and make in " + where +
                        ", then start it again."};
        }
        case InstallKind::sourceInstall:
            break;
    }
    return {"QUIB updates come from its source",
            "This QUIB was installed from a source build (" + executable.string() +
                "): run git pull and make in its source folder, then install it again."};
}

}  // namespace quib
