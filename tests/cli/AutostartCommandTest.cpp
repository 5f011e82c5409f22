// `quib --autostart on|off`: the entry starts the program the way it was
// configured on this command line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/AutostartCommand.h"
#include "platform/Autostart.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;

class AutostartCommandTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1); }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
    int run(const std::vector<std::string>& arguments) {
        const CommandLine line = CommandLine::parse(arguments);
        EXPECT_TRUE(line.error.empty()) << line.error;
        EXPECT_EQ(line.command, CommandLine::Command::autostart);
        out.str("");
        return runAutostartCommand(line, "/opt/quib/bin/quib", out);
    }
    std::string entry() const {
        std::ifstream in(autostartEntryPath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    test::TempDir dir;
    std::ostringstream out;
};

TEST_F(AutostartCommandTest, OnRunsTheExecutableWithTheGivenOptionsAndOffRemovesTheEntry) {
    const struct {
        std::vector<std::string> arguments;
        std::string exec;
    } cases[] = {
        {{"--autostart", "on"}, "Exec=/opt/quib/bin/quib\n"},
        {{"--autostart=on", "--home", "/data/my quib", "--input", "evdev"},
         "Exec=/opt/quib/bin/quib --home \"/data/my quib\" --input evdev\n"},
        {{"--input-device", "/dev/input/event3", "--autostart", "on"},
         "Exec=/opt/quib/bin/quib --input-device /dev/input/event3\n"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(run(c.arguments), 0);
        EXPECT_NE(entry().find(c.exec), std::string::npos) << entry();
        EXPECT_NE(out.str().find(autostartEntryPath().string()), std::string::npos);
    }
    ASSERT_EQ(run({"--autostart", "off"}), 0);
    EXPECT_FALSE(fs::exists(autostartEntryPath()));
}

TEST_F(AutostartCommandTest, ARelativeDataDirectoryIsStoredAbsolute) {
    ASSERT_EQ(run({"--autostart", "on", "--home", "data"}), 0);
    const std::string absolute = (fs::current_path() / "data").string();
    EXPECT_NE(entry().find(" --home " + absolute), std::string::npos) << entry();
}

TEST_F(AutostartCommandTest, AControlCharacterInAValueIsRefusedByName) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--autostart", "on", "--home", "/data\nExec=/bin/sh"},
             {"--autostart", "on", "--input-device", "/dev/input/event3\t"}}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(run(arguments), 1);
        const std::string error = testing::internal::GetCapturedStderr();
        EXPECT_NE(error.find("the value of " + arguments[2] + " holds a control character"),
                  std::string::npos)
            << error;
        EXPECT_FALSE(fs::exists(autostartEntryPath()));
    }
}

TEST_F(AutostartCommandTest, FailureExitsOneAndWritesNothing) {
    std::ofstream(dir.path() / "config") << "not a directory";
    EXPECT_EQ(run({"--autostart", "on"}), 1);
    EXPECT_TRUE(out.str().empty());
}

}  // namespace
}  // namespace quib
