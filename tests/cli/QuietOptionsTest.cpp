// The options of the quiet: what `quib set` takes and what `quib get` shows
// where the desktop cannot tell which window is active.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/OptionsCommand.h"
#include "options/Options.h"
#include "platform/prefs/SqlitePreferences.h"
#include "support/TempDir.h"

namespace quib {
namespace {

// The session's variables as a test sets them, put back afterwards.
class SessionVariables {
  public:
    SessionVariables() {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(
                name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    ~SessionVariables() {
        for (const auto& [name, value] : m_saved) {
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
        }
    }

  private:
    static constexpr const char* kNames[] = {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DISPLAY"};
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

std::string get(const std::filesystem::path& home, const std::string& name) {
    std::ostringstream out;
    runGetCommand(home, {name}, false, out);
    return out.str();
}

TEST(QuietOptionsTest, DefaultsValuesAndWhereFullScreenCannotBeKnown) {
    test::TempDir home;
    SessionVariables session;
    setenv("DISPLAY", ":0", 1);
    EXPECT_EQ(get(home.path(), "mute-chord"), "scrolllock\n");
    EXPECT_EQ(get(home.path(), "mute-during-calls"), "on\n");
    EXPECT_EQ(get(home.path(), "mute-in-fullscreen"), "off\n");
    EXPECT_EQ(get(home.path(), "mute-in-apps"), "\n");

    std::ostringstream out;
    EXPECT_EQ(runSetCommand(home.path(), {"mute-in-apps", "Slack, mpv,"}, out), 0);
    EXPECT_EQ(get(home.path(), "mute-in-apps"), "Slack,mpv\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runSetCommand(home.path(), {"mute-chord", "capslock"}, out), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("scrolllock|pause|rightctrl|off"),
              std::string::npos);

    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_EQ(get(home.path(), "mute-in-apps"),
              "unavailable (Wayland does not tell which window is active)\n");
    EXPECT_EQ(get(home.path(), "mute-during-calls"), "on\n") << "calls are heard on Wayland too";
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("DISPLAY");
    EXPECT_EQ(get(home.path(), "mute-in-fullscreen"), "unavailable (no X11 display)\n");
}

// A list is bounded when it is set and when it is read: a hand-edited store
// with 100,000 names gives the program the first 256, with one line.
TEST(QuietOptionsTest, AListIsBoundedWhenSetAndWhenRead) {
    test::TempDir home;
    SessionVariables session;
    setenv("DISPLAY", ":0", 1);
    std::string names;
    for (std::size_t i = 0; i <= kMostListNames; ++i) {
        names += (i > 0 ? "," : "") + std::string("app") + std::to_string(i);
    }
    std::ostringstream out;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runSetCommand(home.path(), {"mute-in-apps", names}, out), 1);
    const std::string refused = testing::internal::GetCapturedStderr();
    EXPECT_NE(refused.find("mute-in-apps takes at most 256 names of up to 256 characters each"),
              std::string::npos)
        << refused;
    EXPECT_LT(refused.size(), 200u) << "the names are not echoed";
    EXPECT_EQ(get(home.path(), "mute-in-apps"), "\n") << "nothing stored";
    EXPECT_EQ(runSetCommand(home.path(), {"mute-in-apps", std::string(257, 'x')}, out), 1);
    EXPECT_EQ(runSetCommand(home.path(), {"mute-in-apps", names.substr(0, names.rfind(','))}, out),
              0);

    std::vector<std::string> stored;
    for (int i = 0; i < 100000; ++i) {
        stored.push_back(i % 2 == 0 ? "Same" : "app" + std::to_string(i));
    }
    SqlitePreferences::open(home.path(), SqlitePreferences::Mode::readWrite)
        .store->setStringList("muteInApps", stored);
    auto store = SqlitePreferences::open(home.path(), SqlitePreferences::Mode::readOnly).store;
    testing::internal::CaptureStderr();
    const auto read = listOption(*store, option::muteInApps);
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(read.size(), kMostListNames);
    EXPECT_EQ(read[1], "app1");
    EXPECT_EQ(log,
              "[QUIB] Using 256 of the 100000 stored names (at most 256, each up to 256 "
              "characters): mute-in-apps\n");
}

}  // namespace
}  // namespace quib
