#pragma once

#include <linux/input.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/input/EvdevEvents.h"

struct libevdev;

namespace quib {

class InputListener;

// One open event device, read-only and non-blocking, never grabbed. A FIFO
// is read as a plain stream of input_event records instead. Anything else (a
// regular file, /dev/zero) is refused: it would never block, and reading it
// would spin.
class EvdevDevice {
  public:
    enum class ReadResult { open, ended };

    // Returns null when the file cannot be opened for reading, or when it is
    // neither an event device nor a FIFO (then `refused`, if given, is set).
    static std::unique_ptr<EvdevDevice> open(const std::string& path, bool* refused = nullptr);
    ~EvdevDevice();
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    int fileDescriptor() const { return m_fd; }
    const std::string& path() const { return m_path; }
    bool isStream() const { return m_evdev == nullptr; }
    bool isFifo() const { return m_fifo; }

    // Reads everything pending and reports it. `ended` means the device vanished
    // or the stream reached its end; the caller then drops the device.
    ReadResult readAvailable(InputListener& listener);

  private:
    EvdevDevice(std::string path, int fd, libevdev* evdev, bool fifo);
    ReadResult readDevice(InputListener& listener);
    ReadResult readStream(InputListener& listener);

    std::string m_path;
    int m_fd;
    libevdev* m_evdev;
    bool m_fifo;
    EvdevStreamFilter m_streamFilter;
    // A partial record read from a stream waits here for the rest of its bytes.
    std::array<std::byte, sizeof(input_event) * 64> m_streamBuffer{};
    std::size_t m_streamFilled = 0;
};

}  // namespace quib
