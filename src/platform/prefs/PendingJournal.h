#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/prefs/PendingPage.h"

namespace quib {

// <data dir>/pending.journal: one PendingPage in a shared file mapping. The
// hot path writes the page as plain memory; the kernel writes it back, and
// keeps it when the process dies. A power loss can lose what the kernel had
// not written back yet, which the store also loses (its last commits are not
// synced), so at most one flush.
class PendingJournal {
  public:
    static constexpr const char* kFileName = "pending.journal";
    static constexpr const char* kRejectedName = "pending.journal.rejected";

    // Maps the journal of `directory`, creating a fresh one (with a new random
    // identity, mode 0600) when there is none. A file of the wrong size, or
    // anything but a regular file (a planted link is never followed), is not
    // mapped: page() then fails every check. nullptr, with a log line, when no file
    // can be created or mapped.
    static std::unique_ptr<PendingJournal> open(const std::filesystem::path& directory);
    // What peek() found.
    enum class Found { page, nothing, notAFile, unreadable };
    // A copy of the page, read without creating, mapping or changing anything,
    // and without ever blocking: a journal that is not a regular file (a FIFO,
    // a link) is not opened. `found`, when given, says what was there.
    static std::optional<PendingPage> peek(const std::filesystem::path& directory,
                                           Found* found = nullptr);

    ~PendingJournal();
    PendingJournal(const PendingJournal&) = delete;
    PendingJournal& operator=(const PendingJournal&) = delete;

    PendingPage& page() { return *m_page; }
    const PendingPage& page() const { return *m_page; }
    // True when open() created the file, so it holds nothing yet.
    bool isNew() const { return m_new; }
    std::filesystem::path rejectedPath() const { return m_directory / kRejectedName; }

    // Moves the file aside (replacing an older one set aside) and maps a
    // fresh journal in its place; false when that fails.
    bool replaceWithFresh();

  private:
    explicit PendingJournal(std::filesystem::path directory);
    bool map(bool create);
    void unmap();

    std::filesystem::path m_directory;
    PendingPage* m_page = nullptr;
    PendingPage m_unreadable{};  // all zero: what page() shows for a file of the wrong size
    bool m_mapped = false;
    bool m_new = false;
};

}  // namespace quib
