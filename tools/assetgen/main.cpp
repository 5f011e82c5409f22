// quib-assetgen: synthesises every bundled sound and image into a resource
// directory. Output depends only on this program, never on time or machine.
//
//   quib-assetgen <output-dir> [--only <name>]... [--threads <n>] [--list] [--wav-loops]
//
// --wav-loops writes the ambiences and tracks as 16-bit WAV instead of Ogg
// Vorbis: the reference that the shipped files are compared with.
//
// Known limits: files are only ever written, so a file that an older version
// produced and this one no longer does stays in the directory; the images
// need Qt's raster painter (Qt6 Gui), though no display.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Jobs.h"

namespace {

struct Options {
    std::string outputDirectory;
    std::vector<std::string> only;
    // A long loop holds a few hundred megabytes while it is built, so more
    // than four at once would trade memory for little gain.
    unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    bool list = false;
    assetgen::LoopFormat loops = assetgen::LoopFormat::vorbis;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--only" && hasValue) {
            options.only.emplace_back(argv[++i]);
        } else if (argument == "--threads" && hasValue) {
            options.threads = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (argument == "--list") {
            options.list = true;
        } else if (argument == "--wav-loops") {
            options.loops = assetgen::LoopFormat::wav;
        } else if (!argument.empty() && argument[0] != '-' && options.outputDirectory.empty()) {
            options.outputDirectory = argument;
        } else {
            return false;
        }
    }
    return options.list || !options.outputDirectory.empty();
}

bool selected(const assetgen::Job& job, const std::vector<std::string>& only) {
    if (only.empty()) {
        return true;
    }
    for (const std::string& name : only) {
        if (name == job.name || name == job.relativePath) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: quib-assetgen <output-dir> [--only <name>]... [--threads <n>] [--list] "
            "[--wav-loops]\n");
        return 2;
    }
    std::vector<assetgen::Job> jobs;
    for (assetgen::Job& job : assetgen::allJobs(options.loops)) {
        if (selected(job, options.only)) {
            jobs.push_back(std::move(job));
        }
    }
    if (options.list) {
        for (const assetgen::Job& job : jobs) {
            std::printf("%s\n", job.relativePath.c_str());
        }
        return 0;
    }
    if (jobs.empty()) {
        std::fprintf(stderr, "assetgen: nothing matches the --only names\n");
        return 2;
    }
    return assetgen::runJobs(jobs, options.outputDirectory, options.threads) ? 0 : 1;
}
