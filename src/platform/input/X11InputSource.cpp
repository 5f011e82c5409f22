#include "platform/input/X11InputSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/Log.h"

// Xlib after Qt: its macros (None, Bool, KeyPress, ...) would break Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>

namespace quib {

namespace {

// The bytes the reader thread sends to the main thread.
constexpr char keyDownByte = 'k';
constexpr char mouseDownByte = 'm';
constexpr char connectionLostByte = 'x';

// Xlib's default reaction to a lost connection is to print and exit the
// process. A lost connection is only a suspended feed here, so the handlers
// keep quiet and return, which leaves the display marked dead.
int quietIoErrorHandler(Display*) {
    return 0;
}

int quietErrorHandler(Display*, XErrorEvent*) {
    return 0;
}

void ignoreExit(Display*, void*) {}

Display* openDisplay(const std::string& name) {
    Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (display != nullptr) {
        XSetIOErrorExitHandler(display, ignoreExit, nullptr);
    }
    return display;
}

std::bitset<256> modifierKeys(Display* display) {
    std::bitset<256> keys;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr) {
        return keys;
    }
    for (int slot = 0; slot < 8 * map->max_keypermod; ++slot) {
        const KeyCode code = map->modifiermap[slot];
        const KeySym symbol = XkbKeycodeToKeysym(display, code, 0, 0);
        // Num Lock and Scroll Lock sit in the map but are ordinary keys to the user.
        if (code != 0 && symbol != XK_Num_Lock && symbol != XK_Scroll_Lock) {
            keys.set(code);
        }
    }
    XFreeModifiermap(map);
    return keys;
}

}  // namespace

struct X11InputSource::Connection {
    Display* control = nullptr;
    Display* data = nullptr;
    XRecordContext context = 0;
    std::bitset<256> modifiers;
    int pipeFds[2] = {-1, -1};
    std::atomic<bool> stopping{false};
    std::atomic<bool> lost{false};
    std::atomic<bool> startReported{false};
    std::promise<bool> started;  // Whether the server began recording.
    std::thread reader;
    std::unique_ptr<QSocketNotifier> notifier;

    bool open(const std::string& displayName);
    void read();
    void reportStart(bool recording);
    static void intercept(XPointer self, XRecordInterceptData* recorded);
    ~Connection();
};

bool X11InputSource::Connection::open(const std::string& displayName) {
    control = openDisplay(displayName);
    data = openDisplay(displayName);
    int major = 0;
    int minor = 0;
    if (control == nullptr || data == nullptr || !XRecordQueryVersion(control, &major, &minor) ||
        ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    // Both ends non-blocking: the reader must never stall on a full pipe, or
    // stopping (which joins the reader) could wait for ever. A main thread that
    // is 64 KiB of presses behind loses the excess.
    XRecordRange* range = XRecordAllocRange();
    range->device_events.first = KeyPress;
    range->device_events.last = ButtonPress;
    XRecordClientSpec clients = XRecordAllClients;
    XErrorHandler previous = XSetErrorHandler(quietErrorHandler);
    context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
    XSync(control, False);
    XSetErrorHandler(previous);
    XFree(range);
    if (context == 0) {
        return false;
    }
    modifiers = modifierKeys(control);
    std::future<bool> recording = started.get_future();
    reader = std::thread([this] { read(); });
    // Waiting for the server's start of data means that every press after a
    // successful start is heard; enabling is otherwise asynchronous.
    return recording.wait_for(std::chrono::seconds(2)) == std::future_status::ready &&
           recording.get();
}

void X11InputSource::Connection::reportStart(bool recording) {
    if (!startReported.exchange(true)) {
        started.set_value(recording);
    }
}

void X11InputSource::Connection::read() {
    XRecordEnableContext(data, context, intercept, static_cast<XPointer>(static_cast<void*>(this)));
    // Returns when the context is disabled (stop) or the connection is lost.
    reportStart(false);
    if (!stopping) {
        lost = true;
        [[maybe_unused]] const auto written = ::write(pipeFds[1], &connectionLostByte, 1);
    }
}

void X11InputSource::Connection::intercept(XPointer self, XRecordInterceptData* recorded) {
    auto* connection = static_cast<Connection*>(static_cast<void*>(self));
    if (recorded->category == XRecordStartOfData) {
        connection->reportStart(true);
    }
    if (recorded->category == XRecordFromServer && recorded->data != nullptr) {
        const int type = recorded->data[0] & 0x7F;
        const unsigned detail = recorded->data[1];
        const char* byte = nullptr;
        if (type == KeyPress && !connection->modifiers.test(detail)) {
            byte = &keyDownByte;
        } else if (type == ButtonPress && (detail == Button1 || detail == Button3)) {
            byte = &mouseDownByte;
        }
        if (byte != nullptr) {
            [[maybe_unused]] const auto written = ::write(connection->pipeFds[1], byte, 1);
        }
    }
    XRecordFreeData(recorded);
}

X11InputSource::Connection::~Connection() {
    if (notifier) {
        notifier->setEnabled(false);
        notifier.release()->deleteLater();  // It may be the sender being handled.
    }
    stopping = true;
    if (reader.joinable()) {
        // Disabling the context ends the reader's XRecordEnableContext; on a dead
        // server the reader has already returned.
        if (!lost) {
            XRecordDisableContext(control, context);
            XFlush(control);
        }
        reader.join();
    }
    if (context != 0 && !lost) {
        XRecordFreeContext(control, context);
        XSync(control, False);
    }
    if (data != nullptr && lost) {
        // A display that died inside XRecordEnableContext may keep Xlib's
        // internal lock taken, and XCloseDisplay on it then never returns. It
        // is closed on a thread of its own, which frees its socket and memory
        // whenever Xlib lets it, and never holds up the main thread.
        std::thread([display = data] { XCloseDisplay(display); }).detach();
    } else if (data != nullptr) {
        XCloseDisplay(data);
    }
    if (control != nullptr) {
        XCloseDisplay(control);
    }
    for (int fd : pipeFds) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

X11InputSource::X11InputSource(std::string displayName) : m_displayName(std::move(displayName)) {
    XSetIOErrorHandler(quietIoErrorHandler);
}

X11InputSource::~X11InputSource() {
    stop();
}

bool X11InputSource::start(InputListener& listener) {
    stop();
    auto connection = std::make_unique<Connection>();
    if (!connection->open(m_displayName)) {
        return false;
    }
    connection->notifier =
        std::make_unique<QSocketNotifier>(connection->pipeFds[0], QSocketNotifier::Read);
    QObject::connect(connection->notifier.get(), &QSocketNotifier::activated,
                     [this] { readPipe(); });
    m_listener = &listener;
    m_connection = std::move(connection);
    logLine("Input: X11 RECORD");
    return true;
}

void X11InputSource::stop() {
    m_connection.reset();
}

bool X11InputSource::reEnable() {
    if (isRunning()) {
        return true;  // The connection is alive: nothing was lost.
    }
    return m_listener != nullptr && start(*m_listener);
}

void X11InputSource::readPipe() {
    char bytes[256];
    const ssize_t count = ::read(m_connection->pipeFds[0], bytes, sizeof bytes);
    for (ssize_t i = 0; i < count; ++i) {
        if (bytes[i] == connectionLostByte) {
            logLine("Lost the X connection of input capture");
            m_connection.reset();
            m_listener->onInputEvent(InputEvent::feedSuspended);
            return;
        }
        m_listener->onInputEvent(bytes[i] == keyDownByte ? InputEvent::keyDown
                                                         : InputEvent::mouseDown);
    }
}

}  // namespace quib
