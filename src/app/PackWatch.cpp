#include "app/PackWatch.h"

namespace quib {

PackWatch::PackWatch(const std::filesystem::path& packDirectory, std::function<void()> onChange)
    : m_onChange(std::move(onChange)) {
    QStringList folders{QString::fromStdString(packDirectory.string())};
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(packDirectory, error), end;
         !error && it != end; it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            folders.append(QString::fromStdString(it->path().string()));
        }
    }
    m_watcher.addPaths(folders);
    QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged,
                     [this](const QString&) { m_onChange(); });
}

}  // namespace quib
