#include "platform/prefs/StoreFileWatch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/Log.h"
#include "platform/prefs/SqlitePreferences.h"

namespace quib {

namespace {

constexpr int kFallbackPeriodMillis = 5000;
// Folders made on the way to the data folder while a watch is being placed.
constexpr int kMaxRewatches = 16;
constexpr std::uint32_t kDirectoryEvents = IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_TO |
                                           IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF |
                                           IN_ONLYDIR;
constexpr std::uint32_t kParentEvents =
    IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// What changes the figures: a write to the database or to its write-ahead
// log, and the database file created, replaced or removed. A reader's own
// open creates an empty log and its shared-memory index and opens the log
// for writing without writing it, which must not wake the reader: opens,
// closes and the log's creation are left out.
bool changesTheStore(std::string_view name, std::uint32_t mask) {
    const std::string_view store = SqlitePreferences::kFileName;
    if (name == store) {
        return (mask & (IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM)) != 0;
    }
    const bool log = name.size() == store.size() + 4 && name.substr(0, store.size()) == store &&
                     name.substr(store.size()) == "-wal";
    return log && (mask & IN_MODIFY) != 0;
}

}  // namespace

StoreFileWatch::StoreFileWatch(std::filesystem::path directory)
    : m_directory(std::move(directory)), m_fd(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
    if (m_fd < 0) {
        logLine("Cannot follow the store's file (inotify): ", std::strerror(errno));
        return;
    }
    watch();
}

StoreFileWatch::~StoreFileWatch() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

// Watches the data folder, or while it does not exist the nearest folder on
// the way to it that does. A folder made between the failed watch on it and
// the watch on its parent sends that parent no event, so the place is looked
// at again until the watch is on the deepest folder that exists.
void StoreFileWatch::watch() {
    for (int attempt = 0; attempt < kMaxRewatches; ++attempt) {
        if (m_watch >= 0) {
            inotify_rm_watch(m_fd, m_watch);
        }
        m_onParent = false;
        m_watch = inotify_add_watch(m_fd, m_directory.c_str(), kDirectoryEvents);
        std::filesystem::path missing = m_directory;
        for (std::filesystem::path parent = m_directory; m_watch < 0 && errno == ENOENT;) {
            if (!parent.has_relative_path()) {
                break;
            }
            missing = parent;
            parent = parent.parent_path();
            m_onParent = true;
            m_watch = inotify_add_watch(m_fd, parent.c_str(), kParentEvents);
        }
        std::error_code error;
        if (!m_onParent || m_watch < 0 || !std::filesystem::exists(missing, error)) {
            return;
        }
    }
}

bool StoreFileWatch::wait(std::optional<std::chrono::milliseconds> timeout) {
    using Steady = std::chrono::steady_clock;
    const auto deadline = timeout ? Steady::now() + *timeout : Steady::time_point::max();
    while (true) {
        int left = -1;
        if (timeout) {
            const auto remaining =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now());
            left = static_cast<int>(std::max<std::int64_t>(0, remaining.count()));
        }
        if (m_fd < 0) {
            // Without inotify, look again every few seconds.
            const int sleep =
                left < 0 ? kFallbackPeriodMillis : std::min(left, kFallbackPeriodMillis);
            poll(nullptr, 0, sleep);
            return sleep == kFallbackPeriodMillis;
        }
        pollfd descriptor{m_fd, POLLIN, 0};
        const int ready = poll(&descriptor, 1, left);
        if (ready == 0) {
            return false;
        }
        if (ready > 0 && drainEvents()) {
            return true;
        }
    }
}

// Reads every queued event; true when one concerns the store.
bool StoreFileWatch::drainEvents() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    bool rewatch = false;
    ssize_t length = 0;
    while ((length = read(m_fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->wd != m_watch && !(event->mask & IN_Q_OVERFLOW)) {
                continue;  // the end of a watch replaced since
            }
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_Q_OVERFLOW)) {
                rewatch = true;
            } else if (m_onParent) {
                rewatch = true;  // something appeared on the way to the directory
            } else if (event->len > 0 && changesTheStore(event->name, event->mask)) {
                changed = true;
            }
        }
    }
    if (rewatch) {
        watch();
    }
    return changed || rewatch;
}

}  // namespace quib
