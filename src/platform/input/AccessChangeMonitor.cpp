#include "platform/input/AccessChangeMonitor.h"

#include <libudev.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <chrono>

#include "platform/input/UdevInput.h"

namespace quib {

namespace {

// Attribute changes cover chmod, chown and ACL changes; creation and removal
// cover devices plugged in and out.
constexpr std::uint32_t kWatchedEvents =
    IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM;

}  // namespace

AccessChangeMonitor::AccessChangeMonitor(const std::vector<std::filesystem::path>& directories,
                                         std::function<void()> onChange)
    : m_onChange(std::move(onChange)) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(std::chrono::milliseconds(200));
    QObject::connect(&m_quiet, &QTimer::timeout, [this] { m_onChange(); });
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    for (const auto& directory : directories) {
        if (m_inotify >= 0 &&
            ::inotify_add_watch(m_inotify, directory.c_str(), kWatchedEvents) >= 0) {
            ++m_watches;
        }
    }
    if (m_watches == 0) {
        return;
    }
    m_inotifyNotifier = std::make_unique<QSocketNotifier>(m_inotify, QSocketNotifier::Read);
    QObject::connect(m_inotifyNotifier.get(), &QSocketNotifier::activated,
                     [this] { drainInotify(); });
    m_udev = udev_new();
    m_udevMonitor = std::make_unique<UdevMonitor>(m_udev);
    if (m_udevMonitor->isValid()) {
        m_udevNotifier = std::make_unique<QSocketNotifier>(m_udevMonitor->fileDescriptor(),
                                                           QSocketNotifier::Read);
        QObject::connect(m_udevNotifier.get(), &QSocketNotifier::activated,
                         [this] { drainUdev(); });
    }
}

AccessChangeMonitor::~AccessChangeMonitor() {
    m_udevNotifier.reset();
    m_udevMonitor.reset();
    udev_unref(m_udev);
    m_inotifyNotifier.reset();
    if (m_inotify >= 0) {
        ::close(m_inotify);
    }
}

void AccessChangeMonitor::drainInotify() {
    alignas(inotify_event) std::array<char, 4096> buffer{};
    while (::read(m_inotify, buffer.data(), buffer.size()) > 0) {
    }
    m_quiet.start();
}

void AccessChangeMonitor::drainUdev() {
    if (m_udevMonitor->receive().action != UdevMonitor::Action::other) {
        m_quiet.start();
    }
}

}  // namespace quib
