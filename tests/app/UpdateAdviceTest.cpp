#include "app/UpdateAdvice.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"

namespace quib::test {
namespace {

namespace fs = std::filesystem;

void writeCache(const fs::path& folder, const std::string& text) {
    fs::create_directories(folder);
    std::ofstream(folder / "CMakeCache.txt") << text;
}

TEST(UpdateAdviceTest, ThePlaceTheProgramRunsFromTellsWhereUpdatesComeFrom) {
    TempDir dir;
    const fs::path build = dir.path() / "build";
    writeCache(build, "CMAKE_BUILD_TYPE:STRING=Release\nCMAKE_HOME_DIRECTORY:INTERNAL=/src/quib\n");
    writeCache(dir.path() / "nameless", "CMAKE_BUILD_TYPE:STRING=Release\n");
    fs::create_directories(dir.path() / "prefix/bin");

    struct Row {
        fs::path executable;
        InstallKind kind;
        std::string inBody;
    };
    const Row rows[] = {
        {"/usr/bin/quib", InstallKind::package, "package manager"},
        {"/usr/local/bin/quib", InstallKind::sourceInstall, "install it again"},
        {dir.path() / "prefix/bin/quib", InstallKind::sourceInstall, "install it again"},
        {build / "quib", InstallKind::sourceBuild, "git pull and make in /src/quib"},
        {build / "src/app/quib", InstallKind::sourceBuild, "in /src/quib"},
        {dir.path() / "nameless/quib", InstallKind::sourceBuild, "make in its source folder"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.executable.string());
        EXPECT_EQ(installKind(row.executable), row.kind);
        const UpdateAdvice advice = updateAdvice(row.executable);
        EXPECT_FALSE(advice.title.empty());
        EXPECT_NE(advice.body.find(row.inBody), std::string::npos) << advice.body;
    }
    EXPECT_EQ(sourceFolderOf(build / "quib"), fs::path("/src/quib"));
    EXPECT_TRUE(sourceFolderOf("/usr/bin/quib").empty());
}

}  // namespace
}  // namespace quib::test
