// libFuzzer target for the archive reader: any bytes as a .zip are unpacked
// within the limits or refused with nothing left behind; what is unpacked
// lies inside the target folder and holds no link.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sound/packs/PackSource.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path folder = [] {
        char pattern[] = "/tmp/quib-archive-fuzz-XXXXXX";
        return fs::path(::mkdtemp(pattern));
    }();
    const fs::path zip = folder / "in.zip";
    const fs::path target = folder / "out";
    std::error_code error;
    fs::remove_all(target, error);
    std::ofstream(zip, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string problem;
    const bool copied = quib::copyPackSource(zip, target, problem);
    if (!copied) {
        if (problem.empty() || fs::exists(target, error)) {
            std::abort();
        }
        return 0;
    }
    std::uintmax_t bytes = 0;
    for (fs::recursive_directory_iterator it(target, error), end; !error && it != end;
         it.increment(error)) {
        const fs::path relative = it->path().lexically_relative(target);
        if (it->is_symlink() || relative.empty() || *relative.begin() == "..") {
            std::abort();
        }
        bytes += it->is_regular_file() ? it->file_size() : 0;
    }
    if (bytes > quib::kMostPackBytes) {
        std::abort();
    }
    return 0;
}
