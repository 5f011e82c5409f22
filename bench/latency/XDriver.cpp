#include "latency/XDriver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
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

XDriver::XDriver(const std::string& evdevFifo) {
    if (!evdevFifo.empty()) {
        // Blocks until the reader has it open.
        m_fifo = ::open(evdevFifo.c_str(), O_WRONLY | O_CLOEXEC);
        return;
    }
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
    if (m_fifo >= 0) {
        ::close(m_fifo);
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

void XDriver::writeEvdev(unsigned short type, unsigned short code, int value) {
    input_event events[2]{};
    events[0].type = type;
    events[0].code = code;
    events[0].value = value;
    events[1].type = EV_SYN;
    events[1].code = SYN_REPORT;
    if (::write(m_fifo, events, sizeof events) != static_cast<ssize_t>(sizeof events)) {
        std::perror("keyclick: writing the FIFO");
    }
}

std::int64_t XDriver::tapKey(int holdMillis) {
    const std::int64_t stamp = monotonicNanos();
    if (m_fifo >= 0) {
        writeEvdev(EV_KEY, KEY_J, 1);
        sleepUntil(stamp + std::int64_t{holdMillis} * 1'000'000);
        writeEvdev(EV_KEY, KEY_J, 0);
        return stamp;
    }
    Display* display = asDisplay(m_display);
    XTestFakeKeyEvent(display, m_keycode, True, CurrentTime);
    XFlush(display);
    sleepUntil(stamp + std::int64_t{holdMillis} * 1'000'000);
    XTestFakeKeyEvent(display, m_keycode, False, CurrentTime);
    XFlush(display);
    return stamp;
}

std::int64_t XDriver::clickButton(int button, int holdMillis) {
    const std::int64_t stamp = monotonicNanos();
    if (m_fifo >= 0) {
        if (button >= 4) {  // a wheel step has no release
            writeEvdev(EV_REL, REL_WHEEL, button == 4 ? 1 : -1);
            return stamp;
        }
        const unsigned short code = button == 1 ? BTN_LEFT : button == 2 ? BTN_MIDDLE : BTN_RIGHT;
        writeEvdev(EV_KEY, code, 1);
        sleepUntil(stamp + std::int64_t{holdMillis} * 1'000'000);
        writeEvdev(EV_KEY, code, 0);
        return stamp;
    }
    Display* display = asDisplay(m_display);
    XTestFakeButtonEvent(display, static_cast<unsigned>(button), True, CurrentTime);
    XFlush(display);
    sleepUntil(stamp + std::int64_t{holdMillis} * 1'000'000);
    XTestFakeButtonEvent(display, static_cast<unsigned>(button), False, CurrentTime);
    XFlush(display);
    return stamp;
}

}  // namespace quib::bench
