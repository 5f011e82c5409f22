#include "platform/input/UdevInput.h"

#include <libudev.h>

#include <cstring>
#include <string_view>

namespace quib {

namespace {

bool hasProperty(udev_device* device, const char* name) {
    const char* value = udev_device_get_property_value(device, name);
    return value != nullptr && std::string_view(value) == "1";
}

bool isEventNode(udev_device* device) {
    const char* name = udev_device_get_sysname(device);
    return name != nullptr && std::strncmp(name, "event", 5) == 0 &&
           udev_device_get_devnode(device) != nullptr;
}

}  // namespace

bool isInputDeviceOfKind(udev_device* device, DeviceKinds kinds) {
    if (!isEventNode(device)) {
        return false;
    }
    if (hasProperty(device, "ID_INPUT_KEYBOARD")) {
        return true;
    }
    return kinds == DeviceKinds::keyboardsAndMice &&
           (hasProperty(device, "ID_INPUT_MOUSE") || hasProperty(device, "ID_INPUT_TOUCHPAD"));
}

std::vector<std::string> enumerateInputDevices(udev* context, DeviceKinds kinds) {
    std::vector<std::string> paths;
    if (context == nullptr) {
        return paths;
    }
    udev_enumerate* enumerate = udev_enumerate_new(context);
    if (enumerate == nullptr) {
        return paths;
    }
    udev_enumerate_add_match_subsystem(enumerate, "input");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
        udev_device* device =
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (device != nullptr && isInputDeviceOfKind(device, kinds)) {
            paths.emplace_back(udev_device_get_devnode(device));
        }
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
    return paths;
}

UdevMonitor::UdevMonitor(udev* context) {
    if (context == nullptr) {
        return;
    }
    m_monitor = udev_monitor_new_from_netlink(context, "udev");
    if (m_monitor == nullptr) {
        return;
    }
    udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "input", nullptr);
    if (udev_monitor_enable_receiving(m_monitor) < 0) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
    }
}

UdevMonitor::~UdevMonitor() {
    udev_monitor_unref(m_monitor);
}

int UdevMonitor::fileDescriptor() const {
    return m_monitor != nullptr ? udev_monitor_get_fd(m_monitor) : -1;
}

UdevMonitor::Change UdevMonitor::receive() {
    Change change;
    udev_device* device = m_monitor != nullptr ? udev_monitor_receive_device(m_monitor) : nullptr;
    if (device == nullptr) {
        return change;
    }
    const char* action = udev_device_get_action(device);
    const std::string_view verb = action != nullptr ? action : "";
    if (verb == "add" && isInputDeviceOfKind(device, DeviceKinds::keyboardsAndMice)) {
        change = {Action::added, udev_device_get_devnode(device)};
    } else if (verb == "remove" && isEventNode(device)) {
        change = {Action::removed, udev_device_get_devnode(device)};
    }
    udev_device_unref(device);
    return change;
}

}  // namespace quib
