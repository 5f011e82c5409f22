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

// What the opening and reader threads send to the main thread: two bytes per
// record, its kind and the X keycode (written at once, so a record never splits).
constexpr char keyDownByte = 'k';
constexpr char keyRepeatByte = 'r';
constexpr char keyUpByte = 'u';
constexpr char mouseDownByte = 'm';
constexpr char connectionLostByte = 'x';
constexpr char openFailedByte = 'f';

// How long start() waits for the connection before it lets it finish in the
// background: a healthy server answers within milliseconds, a hung one never.
// The program's first start waits longer, so that what is typed right after
// QUIB has started is heard; a retry (after a lost server) only briefly.
constexpr std::chrono::milliseconds kFirstStartWait{2000};
constexpr std::chrono::milliseconds kRetryWait{250};
std::atomic<bool> startedBefore{false};
// X keycodes are evdev codes plus 8 on every evdev-based server.
constexpr unsigned kEvdevOffset = 8;

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
    std::bitset<256> modifiers;  // set before the reader starts, then only read
    std::bitset<256> held;       // the reader's: keys down, to tell auto-repeats
    int pipeFds[2] = {-1, -1};
    std::atomic<bool> stopping{false};
    std::atomic<bool> lost{false};
    std::atomic<bool> recording{false};
    std::atomic<bool> startReported{false};
    std::promise<bool> started;  // Whether the server began recording.
    std::thread reader;

    // Both ends non-blocking: the reader must never stall on a full pipe, or
    // stopping (which joins the reader) could wait for ever. A main thread that
    // is 64 KiB of presses behind loses the excess.
    bool createPipe() { return ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0; }
    bool open(const std::string& displayName);
    void read();
    void reportStart(bool began);
    void send(char kind, unsigned char keycode);
    char keyKind(int type, unsigned keycode);
    static void intercept(XPointer self, XRecordInterceptData* recorded);
    ~Connection();
};

bool X11InputSource::Connection::open(const std::string& displayName) {
    control = openDisplay(displayName);
    data = openDisplay(displayName);
    int major = 0;
    int minor = 0;
    if (control == nullptr || data == nullptr || !XRecordQueryVersion(control, &major, &minor)) {
        return false;
    }
    XRecordRange* range = XRecordAllocRange();
    range->device_events.first = KeyPress;  // KeyPress, KeyRelease, ButtonPress
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
    std::future<bool> began = started.get_future();
    reader = std::thread([this] { read(); });
    // Waiting for the server's start of data means that every press after a
    // successful start is heard; enabling is otherwise asynchronous.
    recording = began.wait_for(std::chrono::seconds(2)) == std::future_status::ready && began.get();
    return recording;
}

void X11InputSource::Connection::reportStart(bool began) {
    if (!startReported.exchange(true)) {
        started.set_value(began);
    }
}

void X11InputSource::Connection::read() {
    XRecordEnableContext(data, context, intercept, static_cast<XPointer>(static_cast<void*>(this)));
    // Returns when the context is disabled (stop) or the connection is lost.
    reportStart(false);
    if (!stopping) {
        lost = true;
        send(connectionLostByte, 0);
    }
}

void X11InputSource::Connection::send(char kind, unsigned char keycode) {
    const char record[2] = {kind, static_cast<char>(keycode)};
    [[maybe_unused]] const auto written = ::write(pipeFds[1], record, sizeof record);
}

// A press of a key already down is the server's auto-repeat.
char X11InputSource::Connection::keyKind(int type, unsigned keycode) {
    if (type == KeyRelease) {
        held.reset(keycode);
        return keyUpByte;
    }
    const bool repeat = held.test(keycode);
    held.set(keycode);
    return repeat ? keyRepeatByte : keyDownByte;
}

void X11InputSource::Connection::intercept(XPointer self, XRecordInterceptData* recorded) {
    auto* connection = static_cast<Connection*>(static_cast<void*>(self));
    if (recorded->category == XRecordStartOfData) {
        connection->reportStart(true);
    }
    if (recorded->category == XRecordFromServer && recorded->data != nullptr) {
        const int type = recorded->data[0] & 0x7F;
        const unsigned detail = recorded->data[1];
        if (type == KeyPress || type == KeyRelease) {
            connection->send(connection->keyKind(type, detail), static_cast<unsigned char>(detail));
        } else if (type == ButtonPress && (detail == Button1 || detail == Button3)) {
            connection->send(mouseDownByte, 0);
        }
    }
    XRecordFreeData(recorded);
}

// Runs on the main thread, or on the opening thread when the source was
// stopped while it was still connecting.
X11InputSource::Connection::~Connection() {
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

// The connection is opened on a thread of its own: XOpenDisplay on a hung
// server, or one slow to start recording, must not hold up the main thread.
// start() waits briefly for the outcome; a connection still opening after
// that counts as running, and reports through the pipe if it fails.
bool X11InputSource::start(InputListener& listener) {
    stop();
    auto connection = std::make_shared<Connection>();
    if (!connection->createPipe()) {
        return false;
    }
    auto outcome = std::make_shared<std::promise<bool>>();
    std::future<bool> opened = outcome->get_future();
    std::thread([connection, outcome, name = m_displayName] {
        const bool ok = connection->open(name);
        if (!ok) {
            connection->send(openFailedByte, 0);
        }
        outcome->set_value(ok);
    }).detach();
    const auto wait = startedBefore.exchange(true) ? kRetryWait : kFirstStartWait;
    if (opened.wait_for(wait) == std::future_status::ready && !opened.get()) {
        return false;
    }
    m_notifier = std::make_unique<QSocketNotifier>(connection->pipeFds[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readPipe(); });
    m_listener = &listener;
    m_connection = std::move(connection);
    logLine("Input: X11 RECORD");
    return true;
}

void X11InputSource::stop() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();  // It may be the sender being handled.
    }
    m_connection.reset();
}

bool X11InputSource::isRecording() const {
    return m_connection != nullptr && m_connection->recording;
}

bool X11InputSource::reEnable() {
    if (isRunning()) {
        return true;  // The connection is alive: nothing was lost.
    }
    return m_listener != nullptr && start(*m_listener);
}

void X11InputSource::readPipe() {
    if (!m_connection) {
        return;
    }
    unsigned char bytes[256];  // whole records: the writes are two bytes each
    const ssize_t count = ::read(m_connection->pipeFds[0], bytes, sizeof bytes);
    for (ssize_t i = 0; i + 1 < count; i += 2) {
        const char kind = static_cast<char>(bytes[i]);
        if (kind == openFailedByte) {
            // As a start that failed at once: not running, and the access
            // watchdog tries again on its next tick.
            logLine("Failed to start input capture");
            stop();
            return;
        }
        if (kind == connectionLostByte) {
            logLine("Lost the X connection of input capture");
            stop();
            m_listener->onInputEvent(InputEvent::feedSuspended);
            return;
        }
        m_listener->onInputEvent(kind == mouseDownByte ? InputEvent::mouseDown
                                                       : keyEvent(kind, bytes[i + 1]));
    }
}

InputEvent X11InputSource::keyEvent(char kind, unsigned keycode) const {
    InputEvent event{kind == keyUpByte ? InputEvent::Type::keyUp : InputEvent::Type::keyDown};
    event.keyCode =
        static_cast<std::uint16_t>(keycode >= kEvdevOffset ? keycode - kEvdevOffset : 0);
    event.isRepeat = kind == keyRepeatByte;
    event.isModifier = m_connection->modifiers.test(keycode);
    return event;
}

}  // namespace quib
