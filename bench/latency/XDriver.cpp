#include "latency/XDriver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <ctime>
#include <utility>

#include "latency/Recording.h"

namespace quib::bench {

namespace {

Display* asDisplay(void* display) {
    return static_cast<Display*>(display);
}

}  // namespace

void sleepUntil(std::int64_t nanos) {
    timespec until{static_cast<time_t>(nanos / 1'000'000'000),
                   static_cast<long>(nanos % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
    }
}

XDriver::XDriver() {
    XInitThreads();
    m_display = XOpenDisplay(nullptr);
    m_focus = XOpenDisplay(nullptr);
    if (!ok()) {
        return;
    }
    Display* focus = asDisplay(m_focus);
    m_keycode = XKeysymToKeycode(asDisplay(m_display), XK_j);
    const int screen = DefaultScreen(focus);
    m_window = XCreateSimpleWindow(focus, RootWindow(focus, screen), 100, 100, 400, 300, 0, 0,
                                   WhitePixel(focus, screen));
    XSelectInput(focus, m_window, KeyPressMask | StructureNotifyMask);
    XMapRaised(focus, m_window);
    XEvent event;
    do {
        XNextEvent(focus, &event);
    } while (event.type != MapNotify);
    XSetInputFocus(focus, m_window, RevertToParent, CurrentTime);
    // Clicks land on this window too, where they do nothing.
    XWarpPointer(focus, None, m_window, 0, 0, 0, 0, 200, 150);
    XSync(focus, False);
    m_reader = std::thread([this] { readFocusEvents(); });
}

XDriver::~XDriver() {
    m_stopping = true;
    if (m_reader.joinable()) {
        m_reader.join();
    }
    if (m_focus != nullptr) {
        XCloseDisplay(asDisplay(m_focus));
    }
    if (m_display != nullptr) {
        XCloseDisplay(asDisplay(m_display));
    }
}

void XDriver::readFocusEvents() {
    Display* focus = asDisplay(m_focus);
    pollfd watch{ConnectionNumber(focus), POLLIN, 0};
    while (!m_stopping) {
        while (XPending(focus) > 0) {
            XEvent event;
            XNextEvent(focus, &event);
            const std::int64_t arrival = monotonicNanos();
            if (event.type == KeyPress) {
                std::lock_guard lock(m_mutex);
                m_focusPresses.push_back(arrival);
            }
        }
        ::poll(&watch, 1, 50);
    }
}

std::vector<std::int64_t> XDriver::takeFocusKeyPresses() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_focusPresses, {});
}

std::int64_t XDriver::tapKey(int holdMillis) {
    Display* display = asDisplay(m_display);
    const std::int64_t stamp = monotonicNanos();
    XTestFakeKeyEvent(display, m_keycode, True, CurrentTime);
    XFlush(display);
    sleepUntil(stamp + std::int64_t{holdMillis} * 1'000'000);
    XTestFakeKeyEvent(display, m_keycode, False, CurrentTime);
    XFlush(display);
    return stamp;
}

std::int64_t XDriver::clickButton(int button, int holdMillis) {
    Display* display = asDisplay(m_display);
    const std::int64_t stamp = monotonicNanos();
    XTestFakeButtonEvent(display, static_cast<unsigned>(button), True, CurrentTime);
    XFlush(display);
    sleepUntil(stamp + std::int64_t{holdMillis} * 1'000'000);
    XTestFakeButtonEvent(display, static_cast<unsigned>(button), False, CurrentTime);
    XFlush(display);
    return stamp;
}

}  // namespace quib::bench
