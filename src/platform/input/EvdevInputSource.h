#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/input/InputSource.h"

class QSocketNotifier;
struct udev;

namespace quib {

class EvdevDevice;
class UdevMonitor;

// Reads every keyboard and mouse event device (as udev classifies them), or
// exactly the given files, on the main thread. Needs read access to the device
// nodes; works under X11 and Wayland alike.
//
// Known limits: touchpad tap-to-click is synthesised by the compositor, not by
// the kernel, so only physical touchpad clicks count; a device that vanishes is
// dropped quietly and comes back through the udev monitor when plugged in again;
// without a udev database (containers) only given files can be read; a given
// file that is neither an event device nor a FIFO is refused with one log
// line per run and not opened again.
class EvdevInputSource final : public InputSource {
  public:
    // With no paths, the devices come from udev, hot-plug included.
    explicit EvdevInputSource(std::vector<std::string> devicePaths);
    ~EvdevInputSource() override;

    bool start(InputListener& listener) override;
    void stop() override;
    bool reEnable() override;
    bool isRunning() const override { return m_listener != nullptr; }

  private:
    struct OpenDevice;

    std::vector<std::string> wantedDevices();
    void openDevice(const std::string& path);
    void closeDevice(const std::string& path);
    bool isOpen(const std::string& path) const;
    void readDevice(EvdevDevice* device);
    void receiveUdevChanges();

    std::vector<std::string> m_configuredPaths;
    InputListener* m_listener = nullptr;
    udev* m_udev = nullptr;
    std::unique_ptr<UdevMonitor> m_monitor;
    std::unique_ptr<QSocketNotifier> m_monitorNotifier;
    std::vector<std::unique_ptr<OpenDevice>> m_devices;
};

}  // namespace quib
