#pragma once

// Starting QUIB at log-in, through the XDG autostart directory: the desktop
// starts every entry in ${XDG_CONFIG_HOME:-~/.config}/autostart. The entry is
// named by the application id, so a packaged entry of the same name elsewhere
// in the XDG config directories is overridden, not doubled.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// Empty when there is no home folder ($HOME unset and no password entry).
std::filesystem::path autostartEntryPath();

// The entry that runs `command` (the executable, then its arguments).
std::string autostartEntry(const std::vector<std::string>& command);

// One Exec argument quoted as desktop entries require (reserved characters
// inside double quotes, a literal '%' doubled), then escaped as a string value.
std::string execArgument(const std::string& argument);

// Why `argument` cannot go into an entry at all: a control character (a
// newline would end the Exec line and start another key) or text that is
// not UTF-8. Empty when it can.
std::string unsafeExecArgument(std::string_view argument);

bool autostartEnabled();

// Writes (atomically, mode 0600, never through a planted link) or removes the
// entry; refuses, writing nothing, a command with an unsafe argument. On failure returns false and
// says why in `error`; an entry that is already absent is not a failure.
bool setAutostart(bool enabled, const std::vector<std::string>& command, std::string& error);

}  // namespace quib
