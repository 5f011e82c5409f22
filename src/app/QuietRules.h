#pragma once

#include <string>
#include <vector>

#include "platform/desktop/ActiveWindowWatcher.h"

namespace quib {

// Why the clicks are silent for now without the user having muted them:
// counting goes on, and nothing of it is saved as the user's choice.
enum class QuietReason { none, call, fullScreen, application };

// The options that decide it ("mute-during-calls", "mute-in-fullscreen",
// "mute-in-apps").
struct QuietOptions {
    bool duringCalls = true;
    bool inFullScreen = false;
    std::vector<std::string> applications;  // WM_CLASS names, lower case
};

// A call (another program records from a microphone) comes first, then a
// full-screen window, then a chosen application.
QuietReason quietReason(const QuietOptions& options, bool recording, const ActiveWindow& window);

// The names of "mute-in-apps" as they are matched: lower case, without
// repeats. Matching ignores case, as window classes are spelled either way
// ("firefox" instance, "Firefox" class).
std::vector<std::string> applicationNames(const std::vector<std::string>& items);

}  // namespace quib
