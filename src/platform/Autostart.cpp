#include "platform/Autostart.h"

#include <cstdlib>
#include <system_error>

#include "platform/ApplicationId.h"
#include "platform/Paths.h"
#include "platform/PrivateFiles.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

fs::path configDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg == '/') {  // relative values are invalid and ignored
        return xdg;
    }
    const fs::path home = homeDirectory();
    return home.empty() ? fs::path() : home / ".config";
}

bool writeFile(const fs::path& path, const std::string& text, std::string& error) {
    std::error_code code;
    fs::create_directories(path.parent_path(), code);
    if (code) {
        error = "cannot create " + path.parent_path().string() + ": " + code.message();
        return false;
    }
    return replacePrivateFile(path, text, error);
}

// The length of the well-formed UTF-8 sequence at the start of `text`, 0 if
// there is none (overlong forms, surrogates and values past U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    const unsigned char second = byte(1);
    const bool overlongOrOutside =
        (lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90);
    return overlongOrOutside ? 0 : length;
}

}  // namespace

std::string unsafeExecArgument(std::string_view argument) {
    for (std::size_t i = 0; i < argument.size();) {
        const auto c = static_cast<unsigned char>(argument[i]);
        if (c < 0x20 || c == 0x7F) {
            return "holds a control character (a newline, a tab or another)";
        }
        const std::size_t length = utf8SequenceLength(argument.substr(i));
        if (length == 0) {
            return "is not UTF-8 text";
        }
        i += length;
    }
    return {};
}

fs::path autostartEntryPath() {
    const fs::path config = configDirectory();
    if (config.empty()) {
        return {};
    }
    return config / "autostart" / (std::string(kApplicationId) + ".desktop");
}

std::string execArgument(const std::string& argument) {
    const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string::npos;
    std::string out = quote ? "\"" : "";
    for (const char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            out += '\\';
        }
        out += c == '%' ? std::string("%%") : std::string(1, c);
    }
    out += quote ? "\"" : "";
    // The Exec value is itself a string value, whose escape is the backslash.
    std::string escaped;
    for (const char c : out) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return escaped;
}

std::string autostartEntry(const std::vector<std::string>& command) {
    std::string exec;
    for (const std::string& argument : command) {
        if (!exec.empty()) {
            exec += ' ';
        }
        exec += execArgument(argument);
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=QUIB\n"
           "Comment=Hear every key press and turn typing into a game\n"
           "Exec=" +
           exec +
           "\n"
           "Icon=" +
           kApplicationId +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool autostartEnabled() {
    std::error_code code;
    const fs::path path = autostartEntryPath();
    return !path.empty() && fs::is_regular_file(path, code);
}

bool setAutostart(bool enabled, const std::vector<std::string>& command, std::string& error) {
    const fs::path path = autostartEntryPath();
    if (path.empty()) {
        error = "no home folder to keep the entry in (HOME is unset and the user has none)";
        return false;
    }
    if (enabled) {
        for (const std::string& argument : command) {
            if (const std::string why = unsafeExecArgument(argument); !why.empty()) {
                error = "'" + argument + "' " + why;
                return false;
            }
        }
        return writeFile(path, autostartEntry(command), error);
    }
    std::error_code code;
    fs::remove(path, code);
    if (code) {
        error = "cannot remove " + path.string() + ": " + code.message();
        return false;
    }
    return true;
}

}  // namespace quib
