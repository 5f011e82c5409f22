#pragma once

#include <filesystem>
#include <string>

namespace quib {

// Where updates of this copy of QUIB come from when the build names no
// release page, told from where the executable runs:
//   - package: a system path (/usr/bin and the like, not /usr/local): the
//     package manager brings them;
//   - sourceBuild: a build tree (a CMakeCache.txt beside the executable or in
//     a folder above it): `git pull` and `make` in the source folder;
//   - sourceInstall: anywhere else (installed from a build into /usr/local,
//     /opt or a home folder): the same, then the install again.
enum class InstallKind { package, sourceBuild, sourceInstall };

InstallKind installKind(const std::filesystem::path& executable);

// The source folder a build tree was made from (CMakeCache.txt's
// CMAKE_HOME_DIRECTORY), empty when the executable is not in a build tree or
// the cache does not name it.
std::filesystem::path sourceFolderOf(const std::filesystem::path& executable);

struct UpdateAdvice {
    std::string title;
    std::string body;
};

// The notification "Check for updates" posts when there is no release page.
UpdateAdvice updateAdvice(const std::filesystem::path& executable);

}  // namespace quib
