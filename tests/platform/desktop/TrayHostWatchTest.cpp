// A tray host coming or going, for real: a StatusNotifierItem host taking or
// dropping its name on a private session bus, and an XEmbed tray manager
// announcing itself on a private X server.
#include "platform/desktop/TrayHostWatch.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include "BusSentinel.h"
#include "PrivateSessionBus.h"
#include "platform/input/InputTestSupport.h"
#include "support/TestApplication.h"

// Xlib last: its macros clash with Qt and GoogleTest names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quib {
namespace {

using test::waitFor;

// Each test runs in a process of its own (ctest runs them one by one), so
// the session bus and the platform can still be chosen before first use.
TEST(TrayHostWatchTest, AStatusNotifierHostTakingOrDroppingItsNameIsAHint) {
    test::PrivateSessionBus bus;
    ASSERT_TRUE(bus.isRunning());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    test::application();
    int hints = 0;
    TrayHostWatch watch([&hints] { ++hints; });
    test::BusSentinel sentinel(QDBusConnection::sessionBus());
    QDBusConnection host = bus.connect(QStringLiteral("host"));
    ASSERT_TRUE(host.registerService(QStringLiteral("org.example.NotATray")));
    ASSERT_TRUE(sentinel.passes(host));
    EXPECT_EQ(hints, 0) << "another name";
    ASSERT_TRUE(host.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    EXPECT_TRUE(waitFor([&] { return hints == 1; }));
    ASSERT_TRUE(host.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    EXPECT_TRUE(waitFor([&] { return hints == 2; }));
}

// A tray manager of the XEmbed kind on the private X server: it owns the
// tray selection through a window of its own and announces itself to the
// root window; when it goes, its window goes.
class TrayManager {
  public:
    explicit TrayManager(const std::string& display) : m_display(XOpenDisplay(display.c_str())) {
        if (m_display != nullptr) {
            m_window = XCreateSimpleWindow(m_display, root(), 0, 0, 1, 1, 0, 0, 0);
        }
    }
    ~TrayManager() {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    bool isValid() const { return m_display != nullptr; }

    void announce() {
        const Atom selection = XInternAtom(m_display, "_NET_SYSTEM_TRAY_S0", False);
        XSetSelectionOwner(m_display, selection, m_window, CurrentTime);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = root();
        event.xclient.message_type = XInternAtom(m_display, "MANAGER", False);
        event.xclient.format = 32;
        event.xclient.data.l[1] = static_cast<long>(selection);
        event.xclient.data.l[2] = static_cast<long>(m_window);
        XSendEvent(m_display, root(), False, StructureNotifyMask, &event);
        XSync(m_display, False);
    }
    // Any other change on the root window, which every Qt client hears.
    void touchRoot() {
        const long value = 1;
        XChangeProperty(m_display, root(), XInternAtom(m_display, "QUIB_TEST", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
        XSync(m_display, False);
    }
    void quit() {
        XDestroyWindow(m_display, m_window);
        XSync(m_display, False);
    }

  private:
    Window root() const { return DefaultRootWindow(m_display); }
    Display* m_display;
    Window m_window = 0;
};

TEST(TrayHostWatchTest, AnXEmbedTrayManagerComingOrGoingIsAHint) {
    test::XvfbServer server;
    if (!server.isValid()) {
        GTEST_SKIP() << "Xvfb is not available";
    }
    qputenv("DISPLAY", server.display().c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    test::application();
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        GTEST_SKIP() << "the application was made for another platform";
    }
    int hints = 0;
    TrayHostWatch watch([&hints] { ++hints; });
    TrayManager tray(server.display());
    ASSERT_TRUE(tray.isValid());
    tray.touchRoot();
    tray.announce();  // arrives after the property change: its sync point
    ASSERT_TRUE(waitFor([&] { return hints >= 1; }));
    EXPECT_EQ(hints, 1) << "a property change is not a hint";
    // Qt's tray code follows the manager's window once asked for the tray,
    // as the status icon does.
    ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
    QGuiApplication::sync();
    tray.quit();
    EXPECT_TRUE(waitFor([&] { return hints == 2; })) << "the manager went";
}

}  // namespace
}  // namespace quib
