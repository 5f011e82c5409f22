#pragma once

// Sound packs made by the tests themselves: tones written with libsndfile,
// configs as text, archives written with libarchive.

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quib::test {

// A tone of `seconds` at `frequency` and `amplitude` (1: full scale), as a
// 16-bit WAV (or FLAC/OGG by the file's extension) at `rate` with `channels`
// channels.
inline bool writeTone(const std::filesystem::path& path, double frequency, double seconds,
                      int rate = 44100, int channels = 1, double amplitude = 0.5) {
    std::filesystem::create_directories(path.parent_path());
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    const std::string extension = path.extension().string();
    info.format = extension == ".flac"  ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                  : extension == ".ogg" ? SF_FORMAT_OGG | SF_FORMAT_VORBIS
                                        : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<float> data(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (int c = 0; c < channels; ++c) {
            data[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                static_cast<float>(amplitude * std::sin(2.0 * M_PI * frequency * t));
        }
    }
    sf_writef_float(file, data.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    return true;
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// One entry of a test archive: a file with `content`, or a link to it.
struct ZipEntry {
    std::string name;
    std::string content;
    bool symlink = false;
    std::int64_t declaredSize = -1;  // -1: the content's size
};

// Names are written as UTF-8 (and flagged so), as today's zip tools write them.
inline bool writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries) {
    const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    const locale_t previous = ::uselocale(utf8);
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    bool ok = archive_write_open_filename(writer, path.c_str()) == ARCHIVE_OK;
    for (const ZipEntry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_perm(entry, 0644);
        if (e.symlink) {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, e.content.c_str());
        } else {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, e.declaredSize >= 0
                                              ? e.declaredSize
                                              : static_cast<std::int64_t>(e.content.size()));
        }
        ok = ok && archive_write_header(writer, entry) == ARCHIVE_OK;
        if (!e.symlink && !e.content.empty()) {
            ok = ok && archive_write_data(writer, e.content.data(), e.content.size()) >= 0;
        }
        archive_entry_free(entry);
    }
    ok = archive_write_close(writer) == ARCHIVE_OK && ok;
    archive_write_free(writer);
    ::uselocale(previous);
    ::freelocale(utf8);
    return ok;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace quib::test
