// Bringing a pack's files in from a folder or a .zip, within the limits.
#include "sound/packs/PackSource.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

namespace quib {

namespace fs = std::filesystem;

namespace {

using Archive = std::unique_ptr<archive, decltype(&archive_read_free)>;

// "'name' " + what, built by appending: GCC 12 warns falsely (-Wrestrict) about
// a literal concatenated before a string in optimised builds.
std::string named(std::string_view name, std::string_view what) {
    std::string text = "'";
    text.append(name).append("' ").append(what);
    return text;
}

std::string limitsText() {
    return "more than " + std::to_string(kMostPackEntries) + " entries or " +
           std::to_string(kMostPackBytes >> 20) + " MB";
}

// A relative path whose parts are all plain names (either slash separates).
bool isSafeRelativePath(std::string_view path) {
    if (path.empty() || path.front() == '/' || path.front() == '\\' ||
        (path.size() > 1 && path[1] == ':')) {
        return false;
    }
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find_first_of("/\\", start), path.size());
        if (path.substr(start, end - start) == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

// libarchive converts entry names to the calling thread's character set; in
// the "C" locale of a process that never set one, every non-ASCII name is
// refused. While a zip is read, this thread's names are UTF-8.
class Utf8Names {
  public:
    Utf8Names() : m_utf8(::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {
        if (m_utf8 != locale_t{}) {
            m_previous = ::uselocale(m_utf8);
        }
    }
    ~Utf8Names() {
        if (m_utf8 != locale_t{}) {
            ::uselocale(m_previous);
            ::freelocale(m_utf8);
        }
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

  private:
    locale_t m_utf8;
    locale_t m_previous{};
};

// Folders of a pack are the user's alone from the moment they exist.
bool makeFolders(const fs::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        return true;
    }
    if (path.has_parent_path() && path.parent_path() != path && !makeFolders(path.parent_path())) {
        return false;
    }
    return ::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && fs::is_directory(path, error));
}

// libarchive's message for the last failure; it may have none.
std::string errorText(archive* reader) {
    const char* text = archive_error_string(reader);
    return text != nullptr ? text : "unreadable archive";
}

Archive openZip(const fs::path& file, std::string& problem) {
    Archive reader(archive_read_new(), archive_read_free);
    archive_read_support_format_zip_seekable(reader.get());
    if (archive_read_open_filename(reader.get(), file.c_str(), 64 * 1024) != ARCHIVE_OK) {
        problem =
            file.filename().string() + ": not a readable .zip (" + errorText(reader.get()) + ")";
        reader.reset();
    }
    return reader;
}

std::uintmax_t declaredSize(archive_entry* entry) {
    const la_int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
    return size > 0 ? static_cast<std::uintmax_t>(size) : 0;
}

// The first pass: every entry's name, type and declared size, before writing.
bool checkZip(const fs::path& file, std::string& problem) {
    Archive reader = openZip(file, problem);
    if (!reader) {
        return false;
    }
    std::size_t entries = 0;
    std::uintmax_t bytes = 0;
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        const char* name = archive_entry_pathname(entry);
        const std::string shown = name != nullptr ? name : "(unnamed)";
        const auto type = archive_entry_filetype(entry);
        if (name == nullptr || !isSafeRelativePath(name)) {
            problem = "entry " + named(shown, "has an absolute path or a '..' part");
        } else if (type == AE_IFLNK || archive_entry_hardlink(entry) != nullptr) {
            problem = "entry " + named(shown, "is a link");
        } else if (type != AE_IFREG && type != AE_IFDIR) {
            problem = "entry " + named(shown, "is not a file or a folder");
        } else if (archive_entry_is_encrypted(entry)) {
            problem = "entry " + named(shown, "is encrypted");
        } else if (++entries > kMostPackEntries ||
                   (bytes += declaredSize(entry)) > kMostPackBytes) {
            problem = "the archive holds " + limitsText();
        }
        if (!problem.empty()) {
            return false;
        }
    }
    if (status != ARCHIVE_EOF) {
        problem = file.filename().string() + ": " + errorText(reader.get());
        return false;
    }
    return true;
}

bool writeEntry(archive* reader, const fs::path& path, std::uintmax_t& bytes,
                std::string& problem) {
    const int fd =
        makeFolders(path.parent_path())
            ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)
            : -1;
    if (fd < 0) {
        problem = "cannot write " + path.filename().string();
        return false;
    }
    char buffer[64 * 1024];
    la_ssize_t got = 0;
    bool written = true;
    while (written && (got = archive_read_data(reader, buffer, sizeof buffer)) > 0) {
        bytes += static_cast<std::uintmax_t>(got);
        written =
            bytes <= kMostPackBytes && ::write(fd, buffer, static_cast<std::size_t>(got)) == got;
    }
    written = ::close(fd) == 0 && written;
    if (!written || got < 0) {
        problem = bytes > kMostPackBytes ? "the archive unpacks to " + limitsText()
                                         : "cannot unpack " + path.filename().string();
        return false;
    }
    return true;
}

// The second pass: the files, with their real sizes counted again.
bool unpackZip(const fs::path& file, const fs::path& target, std::string& problem) {
    Archive reader = openZip(file, problem);
    std::uintmax_t bytes = 0;
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while (reader && (status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        const char* entryName = archive_entry_pathname(entry);
        if (entryName == nullptr) {
            problem = "an entry without a name";
            return false;
        }
        std::string name = entryName;
        std::replace(name.begin(), name.end(), '\\', '/');
        const fs::path path = target / fs::path(name).relative_path();
        if (archive_entry_filetype(entry) == AE_IFDIR) {
            if (!makeFolders(path)) {
                problem = "cannot write " + path.filename().string();
                return false;
            }
        } else if (!writeEntry(reader.get(), path, bytes, problem)) {
            return false;
        }
    }
    // Anything but the archive's end (a warning included) is a failure: a
    // pack unpacked in part is never taken for the whole.
    if (reader && status != ARCHIVE_EOF) {
        problem = file.filename().string() + ": " + errorText(reader.get());
        return false;
    }
    return reader != nullptr;
}

// One regular file's bytes, into a new file of the user's alone.
bool copyOneFile(const fs::path& from, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool copied = out >= 0;
    char buffer[64 * 1024];
    ssize_t got = 0;
    while (copied && (got = ::read(in, buffer, sizeof buffer)) > 0) {
        copied = ::write(out, buffer, static_cast<std::size_t>(got)) == got;
    }
    copied = copied && got == 0;
    ::close(in);
    return out >= 0 && ::close(out) == 0 && copied;
}

bool checkFolder(const fs::path& folder, std::string& problem) {
    std::size_t entries = 0;
    std::uintmax_t bytes = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const fs::path relative = fs::relative(it->path(), folder);
        if (it->is_symlink(error)) {
            problem = named(relative.string(), "is a symbolic link");
        } else if (!it->is_directory(error) && it->hard_link_count(error) > 1) {
            problem = named(relative.string(), "is a hard link");
        } else if (!it->is_directory(error) && !it->is_regular_file(error)) {
            problem = named(relative.string(), "is not a file or a folder");
        } else if (++entries > kMostPackEntries ||
                   (bytes += it->is_regular_file(error) ? it->file_size(error) : 0) >
                       kMostPackBytes) {
            problem = "the folder holds " + limitsText();
        }
        if (!problem.empty()) {
            return false;
        }
    }
    if (error) {
        problem = folder.string() + ": " + error.message();
    }
    return !error;
}

}  // namespace

bool copyPackFiles(const fs::path& source, const fs::path& target, std::string& problem) {
    if (!makeFolders(target)) {
        problem = "cannot create " + target.string();
        return false;
    }
    std::error_code error;
    for (fs::recursive_directory_iterator it(source, error), end; !error && it != end;
         it.increment(error)) {
        const fs::path to = target / it->path().lexically_relative(source);
        const bool folder = it->is_directory(error) && !it->is_symlink(error);
        if (folder ? !makeFolders(to) : !copyOneFile(it->path(), to)) {
            problem = "cannot copy " + it->path().string() + " to " + to.string() + ": " +
                      std::strerror(errno);
            return false;
        }
    }
    if (error) {
        problem = "cannot copy " + source.string() + ": " + error.message();
    }
    return !error;
}

bool copyPackSource(const fs::path& source, const fs::path& target, std::string& problem) {
    const Utf8Names utf8;
    std::error_code error;
    const bool folder = fs::is_directory(source, error);
    if (!folder && !fs::is_regular_file(source, error)) {
        problem = source.string() + ": no such folder or file";
        return false;
    }
    if (folder ? !checkFolder(source, problem) : !checkZip(source, problem)) {
        return false;
    }
    if (fs::exists(target, error) || ::mkdir(target.c_str(), 0700) != 0) {
        problem = "cannot create " + target.string();
        return false;
    }
    const bool copied =
        folder ? copyPackFiles(source, target, problem) : unpackZip(source, target, problem);
    if (!copied) {
        fs::remove_all(target, error);
    }
    return copied;
}

}  // namespace quib
