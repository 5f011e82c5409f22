// The XDG autostart entry: where it goes, what it runs, and failure that
// leaves a clear reason instead of a half-written file.
#include "platform/Autostart.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/ApplicationId.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;

class AutostartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_saved = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
    }
    void TearDown() override {
        m_saved ? setenv("XDG_CONFIG_HOME", m_saved->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    test::TempDir dir;

  private:
    std::optional<std::string> m_saved;
};

TEST_F(AutostartTest, OnWritesTheEntryNamedByTheApplicationIdAndOffRemovesIt) {
    const fs::path entry =
        dir.path() / "config" / "autostart" / (std::string(kApplicationId) + ".desktop");
    EXPECT_EQ(autostartEntryPath(), entry);
    std::string error;
    ASSERT_TRUE(setAutostart(true, {"/usr/bin/quib"}, error)) << error;
    EXPECT_TRUE(autostartEnabled());
    const std::string text = read(entry);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nExec=/usr/bin/quib\n"), std::string::npos);
    EXPECT_NE(text.find("\nIcon=" + std::string(kApplicationId) + "\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(entry.string() + ".tmp"));

    ASSERT_TRUE(setAutostart(false, {}, error)) << error;
    EXPECT_FALSE(autostartEnabled());
    EXPECT_TRUE(setAutostart(false, {}, error)) << "already off is not a failure";
}

TEST_F(AutostartTest, WithoutXdgConfigHomeTheEntryGoesUnderHomeConfig) {
    unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(autostartEntryPath().parent_path(), fs::path(home) / ".config" / "autostart");
    setenv("XDG_CONFIG_HOME", "relative/path", 1);  // not absolute: ignored
    EXPECT_EQ(autostartEntryPath().parent_path(), fs::path(home) / ".config" / "autostart");
}

TEST_F(AutostartTest, AConfigDirectoryThatCannotBeCreatedIsAFailureWithAReason) {
    std::ofstream(dir.path() / "config") << "a file where the directory should be";
    std::string error;
    EXPECT_FALSE(setAutostart(true, {"/usr/bin/quib"}, error));
    EXPECT_NE(error.find("config"), std::string::npos) << error;
    EXPECT_FALSE(autostartEnabled());
}

TEST(AutostartExec, ArgumentsAreQuotedAsDesktopEntriesRequire) {
    const struct {
        const char* argument;
        const char* exec;
    } cases[] = {
        {"/usr/bin/quib", "/usr/bin/quib"},
        {"/home/a b/data", "\"/home/a b/data\""},
        {"100%", "100%%"},
        {"it's $HOME", "\"it's \\\\$HOME\""},
        {"say \"hi\"", "\"say \\\\\"hi\\\\\"\""},
        {"back\\slash", "\"back\\\\\\\\slash\""},
        {"tick`id`", "\"tick\\\\`id\\\\`\""},
        {"50% \"off\"", "\"50%% \\\\\"off\\\\\"\""},
        {"", "\"\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(execArgument(c.argument), c.exec) << c.argument;
    }
}

// The written entry read back the way a desktop session starts it (GLib's
// key-file reader, "%%" expanded, then its shell-style argument split), and
// judged by desktop-file-validate.
TEST_F(AutostartTest, EveryArgumentComesBackAsWrittenAndTheEntryValidates) {
    const std::vector<std::string> command{
        "/opt/my quib/bin/quib", "--home", "/data/100% \"real\" $HOME `id` back\\slash; ~x",
        "--input-device", "/dev/input/by-id/usb-Kbd (1)#event-kbd"};
    std::string error;
    ASSERT_TRUE(setAutostart(true, command, error)) << error;
    GKeyFile* file = g_key_file_new();
    ASSERT_TRUE(
        g_key_file_load_from_file(file, autostartEntryPath().c_str(), G_KEY_FILE_NONE, nullptr));
    gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
    ASSERT_NE(exec, nullptr);
    std::string expanded(exec);
    for (auto at = expanded.find("%%"); at != std::string::npos; at = expanded.find("%%", at + 1)) {
        expanded.erase(at, 1);
    }
    gchar** argv = nullptr;
    ASSERT_TRUE(g_shell_parse_argv(expanded.c_str(), nullptr, &argv, nullptr)) << exec;
    std::vector<std::string> parsed(argv, argv + g_strv_length(argv));
    EXPECT_EQ(parsed, command) << exec;
    g_strfreev(argv);
    g_free(exec);
    g_key_file_free(file);
    const std::string validate = "desktop-file-validate " + autostartEntryPath().string() + " >&2";
    EXPECT_EQ(std::system(validate.c_str()), 0) << read(autostartEntryPath());
}

TEST_F(AutostartTest, ControlCharactersAndBrokenTextAreRefusedAndNothingIsWritten) {
    for (const char* bad : {"/data\nExec=/bin/sh -c evil", "tab\there", "bell\x07", "del\x7f",
                            "latin1 caf\xe9", "cut \xe2\x82"}) {
        std::string error;
        EXPECT_FALSE(setAutostart(true, {"/usr/bin/quib", "--home", bad}, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_FALSE(fs::exists(autostartEntryPath())) << bad;
    }
    EXPECT_TRUE(unsafeExecArgument("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80").empty());
}

}  // namespace
}  // namespace quib
