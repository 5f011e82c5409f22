#include "platform/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

namespace quib {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> environmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return fs::path(value);
}

}  // namespace

fs::path executablePath() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path("quib") : self;
}

fs::path executableDirectory() {
    const fs::path self = executablePath();
    std::error_code error;
    return self.has_parent_path() ? self.parent_path() : fs::current_path(error);
}

fs::path homeDirectory() {
    if (auto home = environmentPath("HOME")) {
        return *home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

fs::path canonicalPath(const fs::path& path) {
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error) {
        canonical = fs::absolute(path, error).lexically_normal();
    }
    while (canonical.has_relative_path() && !canonical.has_filename()) {
        canonical = canonical.parent_path();  // "dir/" names the same folder as "dir"
    }
    return canonical;
}

fs::path dataDirectory(const std::optional<fs::path>& homeOption) {
    if (homeOption && !homeOption->empty()) {
        return canonicalPath(*homeOption);
    }
    if (auto home = environmentPath("QUIB_HOME")) {
        return canonicalPath(*home);
    }
    if (auto xdg = environmentPath("XDG_DATA_HOME")) {
        return canonicalPath(*xdg / "quib");
    }
    const fs::path home = homeDirectory();
    return home.empty() ? fs::path() : canonicalPath(home / ".local" / "share" / "quib");
}

fs::path resourceDirectory() {
    if (auto dir = environmentPath("QUIB_RESOURCE_DIR")) {
        return *dir;
    }
    const fs::path exeDir = executableDirectory();
    std::error_code error;
    const fs::path installed = exeDir / ".." / "share" / "quib";
    if (fs::is_directory(installed, error)) {
        return installed.lexically_normal();
    }
    return exeDir / "resources";
}

std::optional<fs::path> findResource(const fs::path& subdirectory, const std::string& name,
                                     const std::string& extension) {
    fs::path candidate = resourceDirectory() / subdirectory / (name + "." + extension);
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) {
        return candidate;
    }
    return std::nullopt;
}

}  // namespace quib
