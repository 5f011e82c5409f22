// The options of the quiet: what `quib set` takes and what `quib get` shows
// where the desktop cannot tell which window is active.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/OptionsCommand.h"
#include "options/Options.h"
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

}  // namespace
}  // namespace quib
