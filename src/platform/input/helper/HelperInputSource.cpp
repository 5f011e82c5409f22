#include "platform/input/helper/HelperInputSource.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "helper/HelperRecord.h"
#include "platform/Log.h"
#include "platform/Paths.h"

extern char** environ;

namespace quib {

HelperInputSource::HelperInputSource(std::filesystem::path helper) : m_helper(std::move(helper)) {}

HelperInputSource::~HelperInputSource() {
    stop();
}

bool HelperInputSource::start(InputListener& listener) {
    stop();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string path = m_helper.string();
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    const int spawned = ::posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        m_pid = -1;
        logLine("Could not run the input helper: ", path);
        return false;
    }
    m_fd = pipeFds[0];
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_listener = &listener;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readRecords(); });
    logLine("Input: the input helper, which passes on kinds of events and classes of keys only");
    return true;
}

void HelperInputSource::stop() {
    m_listener = nullptr;
    endHelper();
}

void HelperInputSource::endHelper() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();  // may be inside its own signal
    }
    if (m_fd >= 0) {
        ::close(m_fd);  // the helper sees its reader gone and ends
        m_fd = -1;
    }
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }
    m_filled = 0;
}

void HelperInputSource::readRecords() {
    while (m_fd >= 0) {
        const ssize_t count = ::read(m_fd, m_buffer.data() + m_filled, m_buffer.size() - m_filled);
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        if (count <= 0) {
            // The helper ended: the feed is gone until the watchdog starts anew.
            InputListener* listener = m_listener;
            m_listener = nullptr;
            endHelper();
            logLine("The input helper ended");
            if (listener != nullptr) {
                listener->onInputEvent(InputEvent::feedSuspended);
            }
            return;
        }
        m_filled += static_cast<std::size_t>(count);
        std::size_t offset = 0;
        for (; offset + sizeof(HelperRecord) <= m_filled; offset += sizeof(HelperRecord)) {
            HelperRecord record;
            std::memcpy(&record, m_buffer.data() + offset, sizeof record);
            const auto event = inputEventOf(record);
            if (event && m_listener != nullptr) {
                m_listener->onInputEvent(*event);
            }
        }
        std::memmove(m_buffer.data(), m_buffer.data() + offset, m_filled - offset);
        m_filled -= offset;
    }
}

namespace {

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::filesystem::path> findInputHelper() {
    if (const char* given = std::getenv("QUIB_INPUT_HELPER"); given != nullptr && *given != '\0') {
        return isExecutableFile(given) ? std::optional<std::filesystem::path>(given) : std::nullopt;
    }
    const std::filesystem::path here = executableDirectory();
    for (const auto& candidate :
         {here / ".." / "libexec" / "quib" / "quib-input-helper", here / "quib-input-helper"}) {
        if (isExecutableFile(candidate)) {
            return candidate.lexically_normal();
        }
    }
    return std::nullopt;
}

}  // namespace quib
