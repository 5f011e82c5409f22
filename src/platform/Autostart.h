#pragma once

// Starting QUIB at log-in, through the XDG autostart directory: the desktop
// starts every entry in ${XDG_CONFIG_HOME:-~/.config}/autostart. The entry is
// named by the application id, so a packaged entry of the same name elsewhere
// in the XDG config directories is overridden, not doubled.

#include <filesystem>
#include <string>
#include <vector>

namespace quib {

std::filesystem::path autostartEntryPath();

// The entry that runs `command` (the executable, then its arguments).
std::string autostartEntry(const std::vector<std::string>& command);

// One Exec argument quoted as desktop entries require (reserved characters
// inside double quotes, a literal '%' doubled), then escaped as a string value.
std::string execArgument(const std::string& argument);

bool autostartEnabled();

// Writes (atomically) or removes the entry. On failure returns false and says
// why in `error`; an entry that is already absent is not a failure.
bool setAutostart(bool enabled, const std::vector<std::string>& command, std::string& error);

}  // namespace quib
