#include "platform/desktop/X11ActiveWindowWatcher.h"

#include <xcb/xcb.h>

#include <QSocketNotifier>

#include <algorithm>
#include <cstdlib>

#include "platform/Log.h"

namespace quib {

struct X11ActiveWindowWatcher::Atoms {
    xcb_atom_t supported = XCB_NONE;
    xcb_atom_t activeWindow = XCB_NONE;
    xcb_atom_t state = XCB_NONE;
    xcb_atom_t fullScreen = XCB_NONE;
};

namespace {

xcb_atom_t intern(xcb_connection_t* connection, std::string_view name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

// A property's 32-bit items (windows, atoms), or its bytes for strings.
template <typename Item>
std::vector<Item> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                           xcb_atom_t type) {
    const auto cookie = xcb_get_property(connection, 0, window, name, type, 0, 1024);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::vector<Item> items;
    if (reply != nullptr && reply->type == type && reply->format == sizeof(Item) * 8) {
        const auto* first = static_cast<const Item*>(xcb_get_property_value(reply));
        items.assign(first, first + xcb_get_property_value_length(reply) / int(sizeof(Item)));
    }
    std::free(reply);
    return items;
}

void selectPropertyChanges(xcb_connection_t* connection, xcb_window_t window, bool select) {
    const std::uint32_t mask = select ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
}

// WM_CLASS holds two strings, each ending in a zero byte.
std::vector<std::string> splitClass(const std::vector<char>& bytes) {
    std::vector<std::string> parts;
    std::string part;
    for (const char ch : bytes) {
        if (ch == '\0') {
            parts.push_back(std::exchange(part, {}));
        } else {
            part += ch;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

}  // namespace

X11ActiveWindowWatcher::X11ActiveWindowWatcher(const std::string& displayName)
    : m_atoms(std::make_unique<Atoms>()) {
    int screen = 0;
    m_connection = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screen);
    if (xcb_connection_has_error(m_connection) != 0) {
        logLine("Full screen and applications cannot be followed: no X11 display");
        return;
    }
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (; screen > 0 && roots.rem > 0; --screen) {
        xcb_screen_next(&roots);
    }
    m_root = roots.data->root;
    m_atoms->supported = intern(m_connection, "_NET_SUPPORTED");
    m_atoms->activeWindow = intern(m_connection, "_NET_ACTIVE_WINDOW");
    m_atoms->state = intern(m_connection, "_NET_WM_STATE");
    m_atoms->fullScreen = intern(m_connection, "_NET_WM_STATE_FULLSCREEN");
    // The root's properties tell when a window manager starts or switches windows.
    selectPropertyChanges(m_connection, m_root, true);
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection),
                                                   QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readEvents(); });
    refresh();
    if (takeEvents(Source::queue)) {
        readEvents();
    }
}

X11ActiveWindowWatcher::~X11ActiveWindowWatcher() {
    m_notifier.reset();
    xcb_disconnect(m_connection);
}

bool X11ActiveWindowWatcher::managerSupportsActiveWindow() {
    const auto supported =
        property<xcb_atom_t>(m_connection, m_root, m_atoms->supported, XCB_ATOM_ATOM);
    return std::find(supported.begin(), supported.end(), m_atoms->activeWindow) != supported.end();
}

// Reads what the socket brought, and then what the refresh's replies brought
// along into XCB's queue, which the notifier cannot see.
void X11ActiveWindowWatcher::readEvents() {
    bool changed = takeEvents(Source::socket);
    while (changed && xcb_connection_has_error(m_connection) == 0) {
        refresh();
        changed = takeEvents(Source::queue);
    }
    if (xcb_connection_has_error(m_connection) != 0 && m_notifier) {
        logLine("Lost the X11 display: full screen and applications are no longer followed");
        m_notifier.reset();
        m_available = false;
        m_window = {};
        if (onActiveWindowChanged) {
            onActiveWindowChanged();
        }
    }
}

// Whether any of the events concerns the active window.
bool X11ActiveWindowWatcher::takeEvents(Source source) {
    const auto next = source == Source::socket ? xcb_poll_for_event : xcb_poll_for_queued_event;
    bool changed = false;
    while (xcb_generic_event_t* event = next(m_connection)) {
        if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            changed = changed || isWatched(notify->window, notify->atom);
        }
        std::free(event);  // errors too: a window that went away is simply not followed
    }
    return changed;
}

bool X11ActiveWindowWatcher::isWatched(std::uint32_t window, std::uint32_t atom) const {
    if (window == m_root) {
        return atom == m_atoms->activeWindow || atom == m_atoms->supported;
    }
    return window == m_followed && (atom == m_atoms->state || atom == XCB_ATOM_WM_CLASS);
}

void X11ActiveWindowWatcher::refresh() {
    const bool wasAvailable = m_available;
    m_available = managerSupportsActiveWindow();
    const auto active =
        property<xcb_window_t>(m_connection, m_root, m_atoms->activeWindow, XCB_ATOM_WINDOW);
    follow(m_available && !active.empty() ? active.front() : XCB_NONE);
    ActiveWindow window;
    if (m_followed != XCB_NONE) {
        const auto states =
            property<xcb_atom_t>(m_connection, m_followed, m_atoms->state, XCB_ATOM_ATOM);
        window.fullScreen =
            std::find(states.begin(), states.end(), m_atoms->fullScreen) != states.end();
        window.classes = splitClass(
            property<char>(m_connection, m_followed, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING));
    }
    xcb_flush(m_connection);
    if (window != m_window || m_available != wasAvailable) {
        m_window = window;
        if (onActiveWindowChanged) {
            onActiveWindowChanged();
        }
    }
}

void X11ActiveWindowWatcher::follow(std::uint32_t window) {
    if (window == m_followed) {
        return;
    }
    if (m_followed != XCB_NONE) {
        selectPropertyChanges(m_connection, m_followed, false);
    }
    if (window != XCB_NONE) {
        selectPropertyChanges(m_connection, window, true);
    }
    m_followed = window;
}

}  // namespace quib
