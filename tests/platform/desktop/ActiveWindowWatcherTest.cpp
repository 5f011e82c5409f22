#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/desktop/X11ActiveWindowWatcher.h"
#include "platform/input/InputTestSupport.h"
#include "support/TestApplication.h"

namespace quib {
namespace {

// Plays the window manager's part on a real X server: it announces EWMH
// support, names the active window and sets window states, as a real one does.
class WindowManagerStandIn {
  public:
    explicit WindowManagerStandIn(const std::string& display)
        : m_connection(xcb_connect(display.c_str(), nullptr)),
          m_root(xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root) {}
    ~WindowManagerStandIn() { xcb_disconnect(m_connection); }

    xcb_window_t createWindow(const std::string& instance, const std::string& windowClass) {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        setClass(window, instance, windowClass);
        return window;
    }
    void setClass(xcb_window_t window, const std::string& instance, const std::string& name) {
        const std::string value = instance + '\0' + name + '\0';
        change(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, value.size(), value.data());
    }
    void announceSupport() {
        const xcb_atom_t supported[] = {atom("_NET_WM_STATE"), atom("_NET_ACTIVE_WINDOW")};
        change(m_root, atom("_NET_SUPPORTED"), XCB_ATOM_ATOM, 32, 2, supported);
    }
    void activate(xcb_window_t window) {
        change(m_root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, 1, &window);
    }
    void setFullScreen(xcb_window_t window, bool fullScreen) {
        const xcb_atom_t states[] = {atom("_NET_WM_STATE_FOCUSED"),
                                     atom("_NET_WM_STATE_FULLSCREEN")};
        change(window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, fullScreen ? 2 : 1, states);
    }
    void destroy(xcb_window_t window) {
        xcb_destroy_window(m_connection, window);
        xcb_flush(m_connection);
    }

  private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t value = reply->atom;
        std::free(reply);
        return value;
    }
    void change(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, std::uint8_t format,
                std::size_t count, const void* data) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, property, type, format,
                            static_cast<std::uint32_t>(count), data);
        xcb_flush(m_connection);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
};

class ActiveWindowWatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::application();
        if (!xvfb.isValid()) {
            GTEST_SKIP() << "Xvfb is not available";
        }
    }
    bool sees(const ActiveWindow& expected, const X11ActiveWindowWatcher& watcher) {
        return test::waitFor([&] { return watcher.activeWindow() == expected; });
    }

    test::XvfbServer xvfb;
};

TEST_F(ActiveWindowWatcherTest, FollowsTheActiveWindowsStateAndClassByEvents) {
    WindowManagerStandIn manager(xvfb.display());
    X11ActiveWindowWatcher watcher(xvfb.display());
    int changes = 0;
    watcher.onActiveWindowChanged = [&] { ++changes; };
    EXPECT_FALSE(watcher.isAvailable()) << "no window manager yet";

    manager.announceSupport();
    ASSERT_TRUE(test::waitFor([&] { return watcher.isAvailable(); }));
    const xcb_window_t player = manager.createWindow("mpv", "mpv");
    const xcb_window_t editor = manager.createWindow("code", "Code");
    manager.activate(player);
    ASSERT_TRUE(sees({false, {"mpv", "mpv"}}, watcher));
    manager.setFullScreen(player, true);
    ASSERT_TRUE(sees({true, {"mpv", "mpv"}}, watcher));

    manager.activate(editor);
    ASSERT_TRUE(sees({false, {"code", "Code"}}, watcher));
    // The window left behind is no longer followed; the active one is.
    manager.setFullScreen(player, false);
    manager.setClass(editor, "code", "Code - Insiders");
    ASSERT_TRUE(sees({false, {"code", "Code - Insiders"}}, watcher));
    EXPECT_EQ(changes, 5) << "support announced, two windows, full screen, a class";

    manager.destroy(editor);
    manager.activate(XCB_NONE);
    EXPECT_TRUE(sees({}, watcher));
}

TEST_F(ActiveWindowWatcherTest, ALostDisplayEndsFollowingWithoutEndingTheProcess) {
    WindowManagerStandIn manager(xvfb.display());
    manager.announceSupport();
    const xcb_window_t player = manager.createWindow("mpv", "mpv");
    manager.setFullScreen(player, true);
    manager.activate(player);
    X11ActiveWindowWatcher watcher(xvfb.display());
    ASSERT_TRUE(sees({true, {"mpv", "mpv"}}, watcher));
    xvfb.kill();
    EXPECT_TRUE(sees({}, watcher));
    EXPECT_FALSE(watcher.isAvailable());
}

}  // namespace
}  // namespace quib
