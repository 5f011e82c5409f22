#include "platform/prefs/PendingJournal.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Log.h"
#include "platform/PrivateFiles.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

std::uint64_t newIdentity() {
    std::uint64_t identity = 0;
    while (identity == 0) {
        if (getrandom(&identity, sizeof identity, 0) != static_cast<ssize_t>(sizeof identity)) {
            identity = static_cast<std::uint64_t>(::time(nullptr)) * 0x9E3779B97F4A7C15ULL ^
                       static_cast<std::uint64_t>(::getpid());
        }
    }
    return identity;
}

// Writes a fresh page to a temporary file and renames it into place, so the
// journal's name never shows half a page.
bool createFresh(const fs::path& file) {
    std::string page(PendingPage::kSize, '\0');
    const PendingPage fresh = PendingPage::fresh(newIdentity(), 0.0, "");
    std::memcpy(page.data(), &fresh, sizeof fresh);
    std::string error;
    return replacePrivateFile(file, page, error);
}

// Opens the journal without following a link and without blocking on a FIFO;
// -1 unless it is a regular file. `status` receives its fstat.
int openRegular(const fs::path& file, int access, struct stat& status) {
    const int fd = ::open(file.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

}  // namespace

PendingJournal::PendingJournal(fs::path directory) : m_directory(std::move(directory)) {}

PendingJournal::~PendingJournal() {
    unmap();
}

std::unique_ptr<PendingJournal> PendingJournal::open(const fs::path& directory) {
    std::unique_ptr<PendingJournal> journal(new PendingJournal(directory));
    std::error_code error;
    const bool create = !fs::exists(fs::symlink_status(directory / kFileName, error));
    if (!journal->map(create)) {
        logLine("Pending counts kept in memory only, the journal cannot be mapped: ",
                (directory / kFileName).string());
        return nullptr;
    }
    return journal;
}

std::optional<PendingPage> PendingJournal::peek(const fs::path& directory, Found* found) {
    Found ignored = Found::nothing;
    Found& result = found != nullptr ? *found : ignored;
    struct stat status {};
    const int fd = openRegular(directory / kFileName, O_RDONLY, status);
    if (fd < 0) {
        result = errno == ENOENT                     ? Found::nothing
                 : errno == EINVAL || errno == ELOOP ? Found::notAFile
                                                     : Found::unreadable;
        return std::nullopt;
    }
    std::string bytes(PendingPage::kSize + 1, '\0');
    const ssize_t got = ::read(fd, bytes.data(), bytes.size());
    ::close(fd);
    if (got != static_cast<ssize_t>(PendingPage::kSize)) {
        result = Found::unreadable;
        return std::nullopt;
    }
    PendingPage page;
    std::memcpy(&page, bytes.data(), sizeof page);
    result = Found::page;
    return page;
}

bool PendingJournal::map(bool create) {
    const fs::path file = m_directory / kFileName;
    if (create && !createFresh(file)) {
        return false;
    }
    struct stat info {};
    const int fd = openRegular(file, O_RDWR, info);
    if (fd < 0 && errno != EINVAL && errno != ELOOP) {
        return false;
    }
    m_new = create;
    if (fd < 0 || info.st_size != static_cast<off_t>(PendingPage::kSize)) {
        // Not a page: what page() shows fails every check, and the start
        // sets the file aside.
        if (fd >= 0) {
            ::close(fd);
        }
        m_page = &m_unreadable;
        return true;
    }
    void* memory = ::mmap(nullptr, PendingPage::kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);  // the mapping keeps the file
    if (memory == MAP_FAILED) {
        return false;
    }
    m_page = static_cast<PendingPage*>(memory);
    m_mapped = true;
    return true;
}

void PendingJournal::unmap() {
    if (m_mapped) {
        ::munmap(m_page, PendingPage::kSize);
        m_mapped = false;
    }
    m_page = nullptr;
}

bool PendingJournal::replaceWithFresh() {
    unmap();
    std::error_code error;
    fs::rename(m_directory / kFileName, rejectedPath(), error);
    return map(true);
}

}  // namespace quib
