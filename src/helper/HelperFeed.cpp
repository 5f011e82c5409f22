#include "helper/HelperFeed.h"

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <string_view>

#include "platform/input/EvdevDevice.h"
#include "platform/input/UdevInput.h"

namespace quib {

namespace {

// A device is opened only where udev puts input devices.
bool isEventDevicePath(std::string_view path) {
    return path.starts_with("/dev/input/event") && path.find("/..") == std::string_view::npos;
}

}  // namespace

HelperFeed::HelperFeed(DeviceGroup& group, std::vector<std::string> fifos)
    : m_group(group), m_fifos(std::move(fifos)) {
    m_pending.reserve(256);
}

HelperFeed::~HelperFeed() {
    m_devices.clear();
    m_monitor.reset();
    udev_unref(m_udev);
}

void HelperFeed::prepare() {
    if (!m_fifos.empty()) {
        return;
    }
    m_udev = udev_new();
    m_monitor = std::make_unique<UdevMonitor>(m_udev);
}

void HelperFeed::openDevice(const std::string& path) {
    const bool fifo = std::find(m_fifos.begin(), m_fifos.end(), path) != m_fifos.end();
    if (!fifo && !isEventDevicePath(path)) {
        return;
    }
    auto device = m_group.whileOpening([&] { return EvdevDevice::open(path); });
    // Only the test build's named FIFOs may be streams; from udev, only
    // event devices.
    if (device && device->isStream() == fifo) {
        m_devices.push_back(std::move(device));
    }
}

void HelperFeed::closeDevice(const std::string& path, bool lost) {
    const auto before = m_devices.size();
    std::erase_if(m_devices, [&](const auto& device) { return device->path() == path; });
    if (lost && m_devices.size() != before) {
        onInputEvent(InputEvent::feedSuspended);
    }
}

void HelperFeed::onInputEvent(InputEvent event) {
    if (const auto record = helperRecordOf(event)) {
        m_pending.push_back(*record);
    }
}

bool HelperFeed::flush() {
    const auto* bytes = reinterpret_cast<const char*>(m_pending.data());
    std::size_t left = m_pending.size() * sizeof(HelperRecord);
    while (left > 0) {
        const ssize_t written = ::write(1, bytes, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;  // the reader is gone
        }
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
    m_pending.clear();
    return true;
}

void HelperFeed::readDevice(std::size_t index) {
    EvdevDevice& device = *m_devices[index];
    if (device.readAvailable(*this) == EvdevDevice::ReadResult::open) {
        return;
    }
    // A FIFO whose writer left is opened again for the next one; a device
    // that failed is lost, and its keys may have been held.
    const std::string path = device.path();
    const bool fifo = device.isFifo();
    closeDevice(path, !fifo);
    if (fifo) {
        openDevice(path);
    }
}

void HelperFeed::receiveUdevChange() {
    const UdevMonitor::Change change = m_monitor->receive();
    const bool known = std::any_of(m_devices.begin(), m_devices.end(),
                                   [&](const auto& d) { return d->path() == change.devicePath; });
    if (change.action == UdevMonitor::Action::added && !known) {
        openDevice(change.devicePath);
    } else if (change.action == UdevMonitor::Action::removed) {
        closeDevice(change.devicePath, true);
    }
}

int HelperFeed::run() {
    const auto paths =
        m_fifos.empty() ? enumerateInputDevices(m_udev, DeviceKinds::keyboardsAndMice) : m_fifos;
    for (const std::string& path : paths) {
        openDevice(path);
    }
    std::cerr << "[QUIB] Input helper: " << m_devices.size()
              << (m_devices.size() == 1 ? " device" : " devices") << std::endl;
    const bool monitoring = m_monitor && m_monitor->isValid();
    std::vector<pollfd> fds;
    for (;;) {
        // Standard output is watched for its reader leaving (POLLERR).
        fds.assign(
            {pollfd{1, 0, 0}, pollfd{monitoring ? m_monitor->fileDescriptor() : -1, POLLIN, 0}});
        for (const auto& device : m_devices) {
            fds.push_back(pollfd{device->fileDescriptor(), POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 1;
        }
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return 0;
        }
        // Devices first, from the last: a read may drop the device it reads.
        for (std::size_t i = fds.size(); i-- > 2;) {
            if (fds[i].revents != 0 && i - 2 < m_devices.size()) {
                readDevice(i - 2);
            }
        }
        if ((fds[1].revents & POLLIN) != 0) {
            receiveUdevChange();
        }
        if (!flush()) {
            return 0;
        }
    }
}

}  // namespace quib
