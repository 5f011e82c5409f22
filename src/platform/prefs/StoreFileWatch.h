#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

namespace quib {

// Follows the preferences database of a data directory through inotify, for
// readers in other processes: wait() sleeps in the kernel until the database
// or its write-ahead log is written, or the database is created, replaced or
// removed, so a reader costs nothing while nothing changes. What a reader's
// own open does to the files (an empty log created, opened and closed) does
// not wake it, nor do writes to other files there (the pending journal, which
// the running program writes through a memory mapping; backups). A data
// directory that does not exist yet is waited for on its nearest existing
// parent. Main thread of a command; not thread-safe.
class StoreFileWatch {
  public:
    explicit StoreFileWatch(std::filesystem::path directory);
    ~StoreFileWatch();
    StoreFileWatch(const StoreFileWatch&) = delete;
    StoreFileWatch& operator=(const StoreFileWatch&) = delete;

    // False when inotify is unavailable (then wait() only sleeps).
    bool isValid() const { return m_fd >= 0; }

    // Returns true as soon as the store may have changed, false when the
    // timeout passed first (no timeout: wait as long as it takes).
    bool wait(std::optional<std::chrono::milliseconds> timeout);

  private:
    void watch();
    bool drainEvents();

    std::filesystem::path m_directory;
    int m_fd = -1;
    int m_watch = -1;
    bool m_onParent = false;  // waiting for the directory itself to appear
};

}  // namespace quib
