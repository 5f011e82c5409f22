#include "platform/prefs/PendingJournal.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Log.h"

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
    const fs::path temporary = file.string() + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, page.data(), page.size()) == static_cast<ssize_t>(page.size());
    ::close(fd);
    std::error_code error;
    if (written) {
        fs::rename(temporary, file, error);
    }
    if (!written || error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace

PendingJournal::PendingJournal(fs::path directory) : m_directory(std::move(directory)) {}

PendingJournal::~PendingJournal() {
    unmap();
}

std::unique_ptr<PendingJournal> PendingJournal::open(const fs::path& directory) {
    std::unique_ptr<PendingJournal> journal(new PendingJournal(directory));
    std::error_code error;
    const bool create = !fs::exists(directory / kFileName, error);
    if (!journal->map(create)) {
        logLine("Pending counts kept in memory only, the journal cannot be mapped: ",
                (directory / kFileName).string());
        return nullptr;
    }
    return journal;
}

std::optional<PendingPage> PendingJournal::peek(const fs::path& directory) {
    const int fd = ::open((directory / kFileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string bytes(PendingPage::kSize + 1, '\0');
    const ssize_t got = ::read(fd, bytes.data(), bytes.size());
    ::close(fd);
    if (got != static_cast<ssize_t>(PendingPage::kSize)) {
        return std::nullopt;
    }
    PendingPage page;
    std::memcpy(&page, bytes.data(), sizeof page);
    return page;
}

bool PendingJournal::map(bool create) {
    const fs::path file = m_directory / kFileName;
    if (create && !createFresh(file)) {
        return false;
    }
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    m_new = create;
    if (info.st_size != static_cast<off_t>(PendingPage::kSize)) {
        ::close(fd);
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
