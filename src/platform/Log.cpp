#include "platform/Log.h"

#include <cstdio>
#include <string>

namespace quib {

void logLine(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 8);
    line.append("[QUIB] ").append(text).push_back('\n');
    // One write call per line keeps lines from different threads whole.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void logLine(std::string_view prefix, std::string_view argument) {
    std::string text(prefix);
    text.append(argument);
    logLine(text);
}

}  // namespace quib
