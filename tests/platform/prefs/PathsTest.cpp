// Where QUIB finds its data and its resources: the order of the choices is a
// contract with users, packagers and the tests that run the real program.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "platform/Paths.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;

// Sets variables for one test and puts back what was there before.
class ScopedEnvironment {
  public:
    ~ScopedEnvironment() {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    void set(const std::string& name, const char* value) {
        if (m_saved.count(name) == 0) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str());
    }

  private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

TEST(PathsTest, DataDirectoryIsTheOptionThenQuibHomeThenXdgDataHomeThenHome) {
    ScopedEnvironment environment;
    environment.set("HOME", "/home/ada");
    environment.set("XDG_DATA_HOME", "/xdg");
    environment.set("QUIB_HOME", "/quib-home");
    EXPECT_EQ(dataDirectory(fs::path("/option")), fs::path("/option"));
    EXPECT_EQ(dataDirectory(std::nullopt), fs::path("/quib-home"));
    EXPECT_EQ(dataDirectory(fs::path()), fs::path("/quib-home")) << "an empty --home is no choice";
    environment.set("QUIB_HOME", "");
    EXPECT_EQ(dataDirectory(std::nullopt), fs::path("/xdg/quib"));
    environment.set("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(dataDirectory(std::nullopt), fs::path("/home/ada/.local/share/quib"));
}

// Every spelling of one folder is one data directory (and so one instance).
TEST(PathsTest, EverySpellingOfTheDataFolderIsTheSamePath) {
    test::TempDir dir;
    const fs::path data = dir.path() / "data";
    fs::create_directories(data / "sub");
    fs::create_symlink(data, dir.path() / "link");
    const fs::path canonical = fs::canonical(data);
    const auto previous = fs::current_path();
    fs::current_path(dir.path());
    for (const fs::path& spelling :
         {data, fs::path(data.string() + "/"), data / ".." / "data", data / "sub" / "..",
          dir.path() / "link", fs::path("data"), fs::path("./link/")}) {
        EXPECT_EQ(dataDirectory(spelling), canonical) << spelling;
    }
    EXPECT_EQ(dataDirectory(dir.path() / "link" / "new"), canonical / "new")
        << "a folder still to be made, under a link";
    fs::current_path(previous);
}

TEST(PathsTest, WithoutHomeTheFoldersComeFromThePasswordEntryNeverTmp) {
    ScopedEnvironment environment;
    environment.set("HOME", nullptr);
    environment.set("QUIB_HOME", nullptr);
    environment.set("XDG_DATA_HOME", nullptr);
    const passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(homeDirectory(), fs::path(entry->pw_dir));
    EXPECT_EQ(dataDirectory(std::nullopt),
              canonicalPath(fs::path(entry->pw_dir) / ".local" / "share" / "quib"));
}

TEST(PathsTest, ResourcesComeFromTheVariableThenTheInstalledShareThenTheBuildTree) {
    ScopedEnvironment environment;
    test::TempDir dir;
    fs::create_directories(dir.path() / "Sounds");
    std::ofstream(dir.path() / "Sounds" / "click.wav") << "RIFF";
    environment.set("QUIB_RESOURCE_DIR", dir.path().c_str());
    EXPECT_EQ(resourceDirectory(), dir.path());
    EXPECT_EQ(findResource("Sounds", "click", "wav"), dir.path() / "Sounds" / "click.wav");
    EXPECT_FALSE(findResource("Sounds", "click", "caf"));

    environment.set("QUIB_RESOURCE_DIR", nullptr);
    const fs::path exeDir = fs::read_symlink("/proc/self/exe").parent_path();
    EXPECT_EQ(resourceDirectory(), exeDir / "resources") << "the build tree";
    // An installed layout: bin/quib next to share/quib.
    const fs::path share = exeDir / ".." / "share";  // in the build tree: this test's own
    fs::remove_all(share);
    fs::create_directories(share / "quib");
    const fs::path found = resourceDirectory();
    fs::remove_all(share);
    EXPECT_EQ(found, (exeDir / ".." / "share" / "quib").lexically_normal());
}

}  // namespace
}  // namespace quib
