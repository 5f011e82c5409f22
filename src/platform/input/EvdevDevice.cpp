#include "platform/input/EvdevDevice.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/input/InputSource.h"

namespace quib {

std::unique_ptr<EvdevDevice> EvdevDevice::open(const std::string& path, bool* refused) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat status {};
    const bool known = ::fstat(fd, &status) == 0;
    const bool fifo = known && S_ISFIFO(status.st_mode);
    libevdev* evdev = nullptr;
    if (!fifo && (!known || !S_ISCHR(status.st_mode) || libevdev_new_from_fd(fd, &evdev) < 0)) {
        ::close(fd);
        if (refused != nullptr) {
            *refused = true;
        }
        return nullptr;
    }
    return std::unique_ptr<EvdevDevice>(new EvdevDevice(path, fd, evdev, fifo));
}

EvdevDevice::EvdevDevice(std::string path, int fd, libevdev* evdev, bool fifo)
    : m_path(std::move(path)), m_fd(fd), m_evdev(evdev), m_fifo(fifo) {}

EvdevDevice::~EvdevDevice() {
    if (m_evdev != nullptr) {
        libevdev_free(m_evdev);
    }
    ::close(m_fd);
}

EvdevDevice::ReadResult EvdevDevice::readAvailable(InputListener& listener) {
    return isStream() ? readStream(listener) : readDevice(listener);
}

EvdevDevice::ReadResult EvdevDevice::readDevice(InputListener& listener) {
    input_event event{};
    for (;;) {
        int status = libevdev_next_event(m_evdev, LIBEVDEV_READ_FLAG_NORMAL, &event);
        if (status == LIBEVDEV_READ_STATUS_SYNC) {
            // The kernel dropped events. libevdev replays the difference between
            // its state and the device's as sync events: they correct the key
            // state but are not presses, so they are drained without counting.
            while (status == LIBEVDEV_READ_STATUS_SYNC) {
                status = libevdev_next_event(m_evdev, LIBEVDEV_READ_FLAG_SYNC, &event);
            }
            listener.onInputEvent(InputEvent::feedSuspended);
            continue;
        }
        if (status == -EAGAIN) {
            return ReadResult::open;
        }
        if (status != LIBEVDEV_READ_STATUS_SUCCESS) {
            return ReadResult::ended;  // ENODEV: unplugged.
        }
        if (const auto meaning = classifyEvdevEvent(event)) {
            listener.onInputEvent(*meaning);
        }
    }
}

EvdevDevice::ReadResult EvdevDevice::readStream(InputListener& listener) {
    for (;;) {
        const ssize_t count = ::read(m_fd, m_streamBuffer.data() + m_streamFilled,
                                     m_streamBuffer.size() - m_streamFilled);
        if (count < 0) {
            return errno == EAGAIN || errno == EINTR ? ReadResult::open : ReadResult::ended;
        }
        if (count == 0) {
            return ReadResult::ended;  // No writer left, or the end of a recording.
        }
        m_streamFilled += static_cast<std::size_t>(count);
        std::size_t offset = 0;
        for (; offset + sizeof(input_event) <= m_streamFilled; offset += sizeof(input_event)) {
            input_event event{};
            std::memcpy(&event, m_streamBuffer.data() + offset, sizeof event);
            if (const auto meaning = m_streamFilter.filter(event)) {
                listener.onInputEvent(*meaning);
            }
        }
        std::memmove(m_streamBuffer.data(), m_streamBuffer.data() + offset,
                     m_streamFilled - offset);
        m_streamFilled -= offset;
    }
}

}  // namespace quib
