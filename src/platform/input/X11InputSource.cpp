#include "platform/input/X11InputSource.h"

#include <QSocketNotifier>

// Xlib after Qt: its macros (None, Bool, KeyPress, ...) would break Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>

#include "platform/Log.h"

namespace quib {

namespace {

// Xlib's default reaction to a lost connection is to print and exit the
// process. A lost connection is only a suspended feed here, so the handlers
// below keep quiet and return, which leaves the display marked dead.
int quietIoErrorHandler(Display*) {
    return 0;
}

int quietErrorHandler(Display*, XErrorEvent*) {
    return 0;
}

void markConnectionLost(Display*, void* lostFlag) {
    *static_cast<bool*>(lostFlag) = true;
}

Display* openDisplay(const std::string& name, bool* lostFlag) {
    Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (display != nullptr) {
        XSetIOErrorExitHandler(display, markConnectionLost, lostFlag);
    }
    return display;
}

}  // namespace

struct X11InputSource::Connection {
    Display* control = nullptr;
    Display* data = nullptr;
    XRecordContext context = 0;
    bool lost = false;
    std::unique_ptr<QSocketNotifier> notifier;

    ~Connection() {
        if (notifier) {
            notifier->setEnabled(false);
            notifier.release()->deleteLater();  // It may be the sender being handled.
        }
        if (context != 0 && !lost) {
            XRecordDisableContext(control, context);
            XRecordFreeContext(control, context);
            XSync(control, False);
        }
        if (data != nullptr) {
            XCloseDisplay(data);
        }
        if (control != nullptr) {
            XCloseDisplay(control);
        }
    }
};

X11InputSource::X11InputSource(std::string displayName) : m_displayName(std::move(displayName)) {
    XSetIOErrorHandler(quietIoErrorHandler);
}

X11InputSource::~X11InputSource() {
    stop();
}

bool X11InputSource::start(InputListener& listener) {
    stop();
    auto connection = std::make_unique<Connection>();
    connection->control = openDisplay(m_displayName, &connection->lost);
    connection->data = openDisplay(m_displayName, &connection->lost);
    int major = 0;
    int minor = 0;
    if (connection->control == nullptr || connection->data == nullptr ||
        !XRecordQueryVersion(connection->control, &major, &minor)) {
        return false;
    }
    XRecordRange* range = XRecordAllocRange();
    range->device_events.first = KeyPress;
    range->device_events.last = ButtonPress;
    XRecordClientSpec clients = XRecordAllClients;
    XErrorHandler previous = XSetErrorHandler(quietErrorHandler);
    connection->context = XRecordCreateContext(connection->control, 0, &clients, 1, &range, 1);
    XSync(connection->control, False);
    XSetErrorHandler(previous);
    XFree(range);
    if (connection->context == 0 ||
        !XRecordEnableContextAsync(
            connection->data, connection->context,
            [](XPointer self, XRecordInterceptData* recorded) {
                if (recorded->category == XRecordFromServer) {
                    static_cast<X11InputSource*>(static_cast<void*>(self))
                        ->reportRecorded(recorded->data);
                }
                XRecordFreeData(recorded);
            },
            static_cast<XPointer>(static_cast<void*>(this)))) {
        return false;
    }
    XFlush(connection->data);
    connection->notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(connection->data),
                                                             QSocketNotifier::Read);
    QObject::connect(connection->notifier.get(), &QSocketNotifier::activated,
                     [this] { readReplies(); });
    m_listener = &listener;
    m_connection = std::move(connection);
    computeModifierKeys();
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

void X11InputSource::readReplies() {
    XRecordProcessReplies(m_connection->data);
    if (!m_connection->lost) {
        return;
    }
    logLine("Lost the X connection of input capture");
    m_connection.reset();
    m_listener->onInputEvent(InputEvent::feedSuspended);
}

void X11InputSource::reportRecorded(const unsigned char* wireEvent) {
    const int type = wireEvent[0] & 0x7F;
    const unsigned detail = wireEvent[1];
    if (type == KeyPress && !m_modifierKeys.test(detail)) {
        m_listener->onInputEvent(InputEvent::keyDown);
    } else if (type == ButtonPress && (detail == Button1 || detail == Button3)) {
        m_listener->onInputEvent(InputEvent::mouseDown);
    }
}

void X11InputSource::computeModifierKeys() {
    m_modifierKeys.reset();
    XModifierKeymap* map = XGetModifierMapping(m_connection->control);
    if (map == nullptr) {
        return;
    }
    for (int slot = 0; slot < 8 * map->max_keypermod; ++slot) {
        const KeyCode code = map->modifiermap[slot];
        const KeySym symbol = XkbKeycodeToKeysym(m_connection->control, code, 0, 0);
        // Num Lock and Scroll Lock sit in the map but are ordinary keys to the user.
        if (code != 0 && symbol != XK_Num_Lock && symbol != XK_Scroll_Lock) {
            m_modifierKeys.set(code);
        }
    }
    XFreeModifiermap(map);
}

}  // namespace quib
