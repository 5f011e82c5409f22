#include "platform/DataFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/Log.h"
#include "platform/PrivateFiles.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

std::string readSocketPath(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    std::string text(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
    const auto end = text.find('\n');
    return end == std::string::npos ? std::string() : text.substr(0, end);
}

}  // namespace

DataFolderLock::DataFolderLock(const fs::path& folder) : m_path(folder / kFileName) {
    std::string error;
    if (preparePrivateFolder(folder, error)) {
        m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    }
    if (m_fd < 0) {
        logLine("Cannot lock the data folder, a second QUIB could count in it too: ",
                error.empty() ? m_path.string() + ": " + std::strerror(errno) : error);
        return;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_status = Status::held;
        return;
    }
    m_status = errno == EWOULDBLOCK ? Status::heldByAnother : Status::unavailable;
    if (m_status == Status::unavailable) {
        logLine("Cannot lock the data folder, a second QUIB could count in it too: ",
                m_path.string() + ": " + std::strerror(errno));
    }
    ::close(m_fd);
    m_fd = -1;
}

DataFolderLock::~DataFolderLock() {
    if (m_fd >= 0) {
        ::close(m_fd);  // releases the lock
    }
}

void DataFolderLock::publishSocket(const std::string& socketPath) {
    if (m_fd < 0) {
        return;
    }
    const std::string line = socketPath + "\n";
    if (::ftruncate(m_fd, 0) != 0 ||
        ::pwrite(m_fd, line.data(), line.size(), 0) != static_cast<ssize_t>(line.size())) {
        logLine("Cannot note the instance's socket in ", m_path.string());
    }
}

std::string DataFolderLock::holderSocket(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string socket = readSocketPath(m_path);
    while (socket.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        socket = readSocketPath(m_path);
    }
    return socket;
}

}  // namespace quib
