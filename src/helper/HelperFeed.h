#pragma once

#include <memory>
#include <string>
#include <vector>

#include "helper/HelperRecord.h"
#include "helper/Sandbox.h"
#include "platform/input/InputSource.h"

struct udev;

namespace quib {

class EvdevDevice;
class UdevMonitor;

// The helper's work: every keyboard and mouse udev knows (hot-plug
// included), or exactly the given FIFOs in the test build, read without
// grabbing, each event written to standard output as one HelperRecord.
// Ends when standard output is closed.
class HelperFeed final : public InputListener {
  public:
    // `fifos` empty: the devices come from udev.
    HelperFeed(DeviceGroup& group, std::vector<std::string> fifos);
    ~HelperFeed() override;
    HelperFeed(const HelperFeed&) = delete;
    HelperFeed& operator=(const HelperFeed&) = delete;

    // Starts the udev monitor (before the sandbox: it needs a socket).
    void prepare();
    // Opens what is there and serves until standard output closes; the exit status.
    int run();

    void onInputEvent(InputEvent event) override;

  private:
    void openDevice(const std::string& path);
    void closeDevice(const std::string& path, bool lost);
    void readDevice(std::size_t index);
    void receiveUdevChange();
    bool flush();

    DeviceGroup& m_group;
    std::vector<std::string> m_fifos;
    udev* m_udev = nullptr;
    std::unique_ptr<UdevMonitor> m_monitor;
    std::vector<std::unique_ptr<EvdevDevice>> m_devices;
    std::vector<HelperRecord> m_pending;
};

}  // namespace quib
