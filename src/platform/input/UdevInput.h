#pragma once

#include <string>
#include <vector>

struct udev;
struct udev_device;
struct udev_monitor;

namespace quib {

enum class DeviceKinds { keyboardsOnly, keyboardsAndMice };

// Whether udev classified this event device (event*) as one of the kinds:
// ID_INPUT_KEYBOARD for keyboards, ID_INPUT_MOUSE or ID_INPUT_TOUCHPAD for mice.
bool isInputDeviceOfKind(udev_device* device, DeviceKinds kinds);

// The device nodes (/dev/input/eventN) of the present devices of the kinds. Empty
// when udev is unavailable, as in containers without a udev database.
std::vector<std::string> enumerateInputDevices(udev* context, DeviceKinds kinds);

// A udev monitor on the input subsystem; it is started before the devices are
// enumerated so that nothing plugged in between is missed.
class UdevMonitor {
  public:
    enum class Action { added, removed, other };
    struct Change {
        Action action = Action::other;
        std::string devicePath;
    };

    explicit UdevMonitor(udev* context);
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    bool isValid() const { return m_monitor != nullptr; }
    int fileDescriptor() const;
    // The next pending change of a captured device, or a Change with `other`.
    Change receive();

  private:
    udev_monitor* m_monitor = nullptr;
};

}  // namespace quib
