#pragma once

#include <string_view>

namespace quib {

// Writes one diagnostic line, "[QUIB] " followed by the text, to stderr (which
// journald keeps for session programs). Safe from any thread but the audio
// thread, which must never log.
void logLine(std::string_view text);

// "[QUIB] " + prefix + argument, the shape of every message with one argument.
void logLine(std::string_view prefix, std::string_view argument);

}  // namespace quib
