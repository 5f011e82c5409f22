#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace quib {

// One counting instance per data folder, however the folder is reached. The
// instance holds an exclusive advisory lock (flock) on <data dir>/instance.lock
// for its lifetime; the kernel drops it when the process dies. The lock
// belongs to the file, not to its name, so a second process that reaches the
// folder by another route (another runtime directory, a bind mount) finds it
// taken. The holder writes the path of its single-instance socket into the
// file, so that such a second process can hand over to it.
class DataFolderLock {
  public:
    enum class Status { held, heldByAnother, unavailable };
    static constexpr const char* kFileName = "instance.lock";

    // Creates the folder (private) if needed and tries to take the lock
    // without waiting. `unavailable` (with a log line) when no lock file can
    // be made: the caller runs unguarded rather than not at all.
    explicit DataFolderLock(const std::filesystem::path& folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    Status status() const { return m_status; }

    // The holder: tells later processes where to reach it.
    void publishSocket(const std::string& socketPath);
    // Another process holds the lock: the socket it published, waiting up to
    // `timeout` for it to do so (it may be starting). Empty if it did not.
    std::string holderSocket(std::chrono::milliseconds timeout) const;

  private:
    std::filesystem::path m_path;
    int m_fd = -1;
    Status m_status = Status::unavailable;
};

}  // namespace quib
