#pragma once

#include <QFileSystemWatcher>

#include <filesystem>
#include <functional>

namespace quib {

// Follows the folder of the sound pack that plays, and every folder in it,
// through inotify (no polling): a file removed, added or renamed anywhere in
// the pack, or the pack's folder itself going, calls onChange on the main
// thread. Several changes at once may call it several times.
class PackWatch {
  public:
    PackWatch(const std::filesystem::path& packDirectory, std::function<void()> onChange);
    PackWatch(const PackWatch&) = delete;
    PackWatch& operator=(const PackWatch&) = delete;

  private:
    QFileSystemWatcher m_watcher;
    std::function<void()> m_onChange;
};

}  // namespace quib
