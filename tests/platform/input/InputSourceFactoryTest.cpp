#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/input/EvdevInputSource.h"
#include "platform/input/InputSource.h"
#include "platform/input/X11InputSource.h"

namespace quib {
namespace {

// Sets environment variables for one test and restores them afterwards.
class Environment {
  public:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        m_saved.push_back({name, old != nullptr, old != nullptr ? old : ""});
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~Environment() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->wasSet) {
                ::setenv(it->name, it->value.c_str(), 1);
            } else {
                ::unsetenv(it->name);
            }
        }
    }

  private:
    struct Saved {
        const char* name;
        bool wasSet;
        std::string value;
    };
    std::vector<Saved> m_saved;
};

TEST(InputBackend, ParsesExactlyTheThreeNames) {
    EXPECT_EQ(parseInputBackend("auto"), InputBackend::automatic);
    EXPECT_EQ(parseInputBackend("evdev"), InputBackend::evdev);
    EXPECT_EQ(parseInputBackend("x11"), InputBackend::x11);
    EXPECT_EQ(parseInputBackend("helper"), InputBackend::helper);
    EXPECT_EQ(parseInputBackend("X11"), std::nullopt);
    EXPECT_EQ(parseInputBackend(""), std::nullopt);
    EXPECT_EQ(parseInputBackend("automatic"), std::nullopt);
}

TEST(InputBackend, AutomaticPicksEvdevOnWaylandOrWithoutDisplayAndX11Otherwise) {
    const std::vector<std::string> none;
    Environment environment;
    environment.set("DISPLAY", ":0");
    environment.set("WAYLAND_DISPLAY", nullptr);
    EXPECT_EQ(resolveInputBackend(InputBackend::automatic, none), InputBackend::x11);
    EXPECT_EQ(resolveInputBackend(InputBackend::automatic, {"/tmp/fifo"}), InputBackend::evdev);
    EXPECT_EQ(resolveInputBackend(InputBackend::evdev, none), InputBackend::evdev);
    environment.set("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(resolveInputBackend(InputBackend::automatic, none), InputBackend::evdev);
    EXPECT_EQ(resolveInputBackend(InputBackend::x11, none), InputBackend::x11);
    environment.set("WAYLAND_DISPLAY", nullptr);
    environment.set("DISPLAY", nullptr);
    EXPECT_EQ(resolveInputBackend(InputBackend::automatic, none), InputBackend::evdev);
}

TEST(InputBackend, OnWaylandAutomaticTakesTheHelperOnlyWhenTheDevicesAreNotReadable) {
    const std::vector<std::string> none;
    Environment environment;
    environment.set("DISPLAY", nullptr);
    environment.set("WAYLAND_DISPLAY", "wayland-0");
    struct Case {
        InputAccess access;
        InputBackend expected;
    };
    const Case cases[] = {
        {{false, true}, InputBackend::helper},
        {{true, true}, InputBackend::evdev},    // readable already: nothing more is shared
        {{false, false}, InputBackend::evdev},  // not installed: the guide explains access
        {{true, false}, InputBackend::evdev},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolveInputBackend(InputBackend::automatic, none, c.access), c.expected)
            << c.access.devicesReadable << c.access.helperInstalled;
    }
    EXPECT_EQ(resolveInputBackend(InputBackend::automatic, {"/tmp/fifo"}, {false, true}),
              InputBackend::evdev);
    EXPECT_EQ(resolveInputBackend(InputBackend::helper, none, {true, false}), InputBackend::helper);
    environment.set("WAYLAND_DISPLAY", nullptr);
    environment.set("DISPLAY", ":0");
    EXPECT_EQ(resolveInputBackend(InputBackend::automatic, none, {false, true}), InputBackend::x11);
}

TEST(InputBackend, FactoryBuildsTheResolvedBackendStopped) {
    const auto x11 = createInputSource(InputBackend::x11, {});
    EXPECT_NE(dynamic_cast<X11InputSource*>(x11.get()), nullptr);
    EXPECT_FALSE(x11->isRunning());
    const auto evdev = createInputSource(InputBackend::automatic, {"/nonexistent/event0"});
    EXPECT_NE(dynamic_cast<EvdevInputSource*>(evdev.get()), nullptr);
    EXPECT_FALSE(evdev->isRunning());
}

}  // namespace
}  // namespace quib
