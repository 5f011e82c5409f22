#include "platform/input/EvdevInputSource.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <algorithm>
#include <set>
#include <string>

#include "platform/Log.h"
#include "platform/input/EvdevDevice.h"
#include "platform/input/UdevInput.h"

namespace quib {

// A device and the notifier that watches its descriptor. The notifier is
// released with deleteLater because a device may be dropped from inside the
// notifier's own signal.
struct EvdevInputSource::OpenDevice {
    std::unique_ptr<EvdevDevice> device;
    QSocketNotifier* notifier = nullptr;

    ~OpenDevice() {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
};

EvdevInputSource::EvdevInputSource(std::vector<std::string> devicePaths)
    : m_configuredPaths(std::move(devicePaths)) {}

EvdevInputSource::~EvdevInputSource() {
    stop();
}

bool EvdevInputSource::start(InputListener& listener) {
    stop();
    m_listener = &listener;
    if (m_configuredPaths.empty()) {
        m_udev = udev_new();
        m_monitor = std::make_unique<UdevMonitor>(m_udev);
        if (m_monitor->isValid()) {
            m_monitorNotifier = std::make_unique<QSocketNotifier>(m_monitor->fileDescriptor(),
                                                                  QSocketNotifier::Read);
            QObject::connect(m_monitorNotifier.get(), &QSocketNotifier::activated,
                             [this] { receiveUdevChanges(); });
        }
    }
    for (const std::string& path : wantedDevices()) {
        openDevice(path);
    }
    if (m_devices.empty()) {
        stop();
        return false;
    }
    const std::size_t count = m_devices.size();
    logLine("Input: evdev, " + std::to_string(count) + (count == 1 ? " device" : " devices"));
    return true;
}

void EvdevInputSource::stop() {
    m_devices.clear();
    m_monitorNotifier.reset();
    m_monitor.reset();
    m_udev = udev_unref(m_udev);
    m_listener = nullptr;
}

bool EvdevInputSource::reEnable() {
    if (!isRunning()) {
        return false;
    }
    // Devices that still work were resynchronised while they were read; only
    // the ones that are missing (vanished, or a FIFO whose writer left) are
    // opened again. Nothing is closed, so this is safe inside a read callback.
    for (const std::string& path : wantedDevices()) {
        if (!isOpen(path)) {
            openDevice(path);
        }
    }
    return true;
}

std::vector<std::string> EvdevInputSource::wantedDevices() {
    if (!m_configuredPaths.empty()) {
        return m_configuredPaths;
    }
    return enumerateInputDevices(m_udev, DeviceKinds::keyboardsAndMice);
}

bool EvdevInputSource::isOpen(const std::string& path) const {
    return std::any_of(m_devices.begin(), m_devices.end(),
                       [&](const auto& open) { return open->device->path() == path; });
}

namespace {

// Given files that are no input device, for the whole run: the capture is
// retried with a fresh source every few seconds, and each file is said once.
// Main thread only.
std::set<std::string>& refusedPaths() {
    static std::set<std::string> paths;
    return paths;
}

}  // namespace

void EvdevInputSource::openDevice(const std::string& path) {
    if (refusedPaths().contains(path)) {
        return;
    }
    bool refused = false;
    auto device = EvdevDevice::open(path, &refused);
    if (refused) {
        refusedPaths().insert(path);
        logLine("Ignored an input device that is neither an event device nor a FIFO: ", path);
    }
    if (!device) {
        return;
    }
    auto open = std::make_unique<OpenDevice>();
    open->notifier = new QSocketNotifier(device->fileDescriptor(), QSocketNotifier::Read);
    EvdevDevice* raw = device.get();
    QObject::connect(open->notifier, &QSocketNotifier::activated, [this, raw] { readDevice(raw); });
    open->device = std::move(device);
    m_devices.push_back(std::move(open));
}

void EvdevInputSource::closeDevice(const std::string& path) {
    std::erase_if(m_devices, [&](const auto& open) { return open->device->path() == path; });
}

void EvdevInputSource::readDevice(EvdevDevice* device) {
    if (m_listener == nullptr ||
        device->readAvailable(*m_listener) == EvdevDevice::ReadResult::open) {
        return;
    }
    // The device vanished or its stream ended. A FIFO is opened again at once
    // so that the next writer is heard; anything else is dropped quietly.
    const std::string path = device->path();
    const bool reopen = device->isFifo();
    closeDevice(path);
    if (reopen) {
        openDevice(path);
    }
}

void EvdevInputSource::receiveUdevChanges() {
    const UdevMonitor::Change change = m_monitor->receive();
    if (change.action == UdevMonitor::Action::added && !isOpen(change.devicePath)) {
        openDevice(change.devicePath);
    } else if (change.action == UdevMonitor::Action::removed) {
        closeDevice(change.devicePath);
    }
}

}  // namespace quib
