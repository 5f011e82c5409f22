#include "platform/input/X11InputSource.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/input/InputTestSupport.h"

// Xlib last: its macros clash with Qt and GoogleTest names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace quib {
namespace {

using test::CountingListener;
using test::waitFor;

// Injects input the way xdotool does (XTEST), from its own connection.
class Injector {
  public:
    explicit Injector(const std::string& display) : m_display(XOpenDisplay(display.c_str())) {
        if (m_display != nullptr) {  // The server may be killed under it.
            XSetIOErrorExitHandler(
                m_display, [](Display*, void*) {}, nullptr);
        }
    }
    ~Injector() {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    bool isValid() const { return m_display != nullptr; }
    void key(KeySym symbol, bool press) {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, symbol), press ? True : False, 0);
        XSync(m_display, False);  // The round trip also makes the server flush RECORD data.
    }
    void tap(KeySym symbol) {
        key(symbol, true);
        key(symbol, false);
    }
    void click(unsigned button) {
        XTestFakeButtonEvent(m_display, button, True, 0);
        XTestFakeButtonEvent(m_display, button, False, 0);
        XSync(m_display, False);  // The round trip also makes the server flush RECORD data.
    }
    void setAutoRepeat(int mode) {
        XKeyboardControl control{};
        control.auto_repeat_mode = mode;
        XChangeKeyboardControl(m_display, KBAutoRepeatMode, &control);
        XSync(m_display, False);
    }

  private:
    Display* m_display;
};

class X11InputSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!m_server.isValid()) {
            GTEST_SKIP() << "Xvfb is not available";
        }
        test::qtApplication();
        ASSERT_TRUE(m_injector.isValid());
        ASSERT_TRUE(m_source.start(m_listener));
        ASSERT_TRUE(waitFor([&] { return m_source.isRecording(); }));
    }

    test::XvfbServer m_server;
    X11InputSource m_source{m_server.display()};
    Injector m_injector{m_server.display()};
    CountingListener m_listener;
};

TEST_F(X11InputSourceTest, HearsInjectedKeyPressesButNotModifiersAlone) {
    for (int i = 0; i < 3; ++i) {
        m_injector.tap(XK_a);
    }
    m_injector.tap(XK_Shift_L);
    m_injector.tap(XK_Caps_Lock);
    m_injector.tap(XK_Caps_Lock);
    m_injector.key(XK_Control_L, true);
    m_injector.tap(XK_c);
    m_injector.key(XK_Control_L, false);
    // The events arrive in the order they were made: once the click that
    // follows them is heard, every key before it has been judged.
    m_injector.click(1);
    ASSERT_TRUE(waitFor([&] { return m_listener.mouseDowns == 1; }));
    EXPECT_EQ(m_listener.keyDowns, 4);
}

TEST_F(X11InputSourceTest, HearsLeftAndRightButtonsButNotMiddleOrScrolling) {
    for (unsigned button : {1u, 3u, 2u, 4u, 5u, 8u, 1u}) {
        m_injector.click(button);
    }
    m_injector.tap(XK_a);  // heard after every button before it
    ASSERT_TRUE(waitFor([&] { return m_listener.keyDowns == 1; }));
    EXPECT_EQ(m_listener.mouseDowns, 3);
}

TEST_F(X11InputSourceTest, HearsAutoRepeatOfAHeldKeyAsRepeatsThenOneRelease) {
    m_injector.setAutoRepeat(AutoRepeatModeOn);
    m_injector.key(XK_x, true);
    // Held until the server's repeats (after 660 ms, at 25 Hz) have been heard.
    EXPECT_TRUE(waitFor([&] { return m_listener.keyDowns >= 5; })) << m_listener.keyDowns;
    m_injector.key(XK_x, false);
    ASSERT_TRUE(waitFor([&] {
        return !m_listener.keys.empty() && m_listener.keys.back().type == InputEvent::Type::keyUp;
    }));
    const auto& keys = m_listener.keys;
    ASSERT_GE(keys.size(), 5u);
    EXPECT_FALSE(keys.front().isRepeat);
    for (std::size_t i = 1; i + 1 < keys.size(); ++i) {
        EXPECT_TRUE(keys[i].isRepeat && keys[i].type == InputEvent::Type::keyDown) << i;
    }
}

TEST_F(X11InputSourceTest, KeysCarryTheirEvdevCodeAndModifiersAreMarked) {
    m_injector.tap(XK_a);
    m_injector.tap(XK_Control_R);
    ASSERT_TRUE(waitFor([&] { return m_listener.keys.size() >= 4; }));
    using Type = InputEvent::Type;
    const auto& keys = m_listener.keys;
    // Xvfb's keymap is evdev's: X keycode = evdev code + 8.
    EXPECT_EQ(keys[0], (InputEvent{Type::keyDown, 30}));  // KEY_A
    EXPECT_EQ(keys[1], (InputEvent{Type::keyUp, 30}));
    EXPECT_EQ(keys[2], (InputEvent{Type::keyDown, 97, false, true}));  // KEY_RIGHTCTRL
    EXPECT_EQ(keys[3], (InputEvent{Type::keyUp, 97, false, true}));
    EXPECT_EQ(m_listener.keyDowns, 1);
}

TEST_F(X11InputSourceTest, LostServerSuspendsTheFeedWithoutEndingTheProcess) {
    m_server.kill();
    ASSERT_TRUE(waitFor([&] { return m_listener.suspensions == 1; }));
    EXPECT_FALSE(m_source.isRunning());
    EXPECT_FALSE(m_source.reEnable());
    EXPECT_FALSE(m_source.isRunning());
}

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

TEST(X11InputSource, LostServerLeavesNoConnectionOpen) {
    test::XvfbServer server;
    if (!server.isValid()) {
        GTEST_SKIP() << "Xvfb is not available";
    }
    test::qtApplication();
    const int before = openDescriptors();
    {
        X11InputSource source(server.display());
        CountingListener listener;
        ASSERT_TRUE(source.start(listener));
        server.kill();
        ASSERT_TRUE(waitFor([&] { return listener.suspensions == 1; }));
    }
    EXPECT_TRUE(waitFor([&] { return openDescriptors() == before; }))
        << openDescriptors() << " descriptors open, " << before << " before the start";
}

// A server that accepts the connection and never answers (hung, or stopped
// with SIGSTOP): XOpenDisplay would wait for ever. start() returns, and so
// does stop(); the opening ends on its own thread once the server goes.
TEST(X11InputSource, AServerThatNeverAnswersHoldsUpNeitherStartNorStop) {
    test::qtApplication();
    const int display = 31997;
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(display);
    std::filesystem::create_directories("/tmp/.X11-unix");
    ASSERT_FALSE(std::filesystem::exists(path)) << "display :31997 is taken";
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 8), 0);
    {
        X11InputSource source(":" + std::to_string(display));
        CountingListener listener;
        EXPECT_TRUE(source.start(listener)) << "still opening counts as running";
        EXPECT_TRUE(source.isRunning());
        EXPECT_FALSE(source.isRecording());
    }
    ::close(server);
    ::unlink(path.c_str());
}

TEST(X11InputSource, StartFailsWithoutAnXServer) {
    X11InputSource source(":31999");
    CountingListener listener;
    EXPECT_FALSE(source.start(listener));
    EXPECT_FALSE(source.isRunning());
}

}  // namespace
}  // namespace quib
