#pragma once

// The list of files the generator can produce. Each job writes one file (or,
// for the packaging icons, one size of the icon) to a path relative to the
// resource directory.

#include <functional>
#include <string>
#include <vector>

namespace assetgen {

struct Job {
    std::string name;          // base name, used by --only
    std::string relativePath;  // below the resource directory
    double cost;               // rough run time, to start the slowest first
    std::function<bool(const std::string& path)> write;
};

// How ambiences and tracks are written: Ogg Vorbis as shipped, or 16-bit WAV,
// the reference the shipped files are measured against.
enum class LoopFormat { vorbis, wav };

std::vector<Job> allJobs(LoopFormat loops = LoopFormat::vorbis);

// Runs the jobs on `threads` worker threads; false if any job failed.
bool runJobs(const std::vector<Job>& jobs, const std::string& outputDirectory, unsigned threads);

}  // namespace assetgen
