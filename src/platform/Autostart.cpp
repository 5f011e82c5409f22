#include "platform/Autostart.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/ApplicationId.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

fs::path configDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg == '/') {  // relative values are invalid and ignored
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr && *home != '\0' ? home : "/tmp") / ".config";
}

bool writeFile(const fs::path& path, const std::string& text, std::string& error) {
    std::error_code code;
    fs::create_directories(path.parent_path(), code);
    if (code) {
        error = "cannot create " + path.parent_path().string() + ": " + code.message();
        return false;
    }
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text;
        if (!out.flush()) {
            error = "cannot write " + temporary.string();
            fs::remove(temporary, code);
            return false;
        }
    }
    fs::rename(temporary, path, code);
    if (code) {
        error = "cannot write " + path.string() + ": " + code.message();
        fs::remove(temporary, code);
        return false;
    }
    return true;
}

}  // namespace

fs::path autostartEntryPath() {
    return configDirectory() / "autostart" / (std::string(kApplicationId) + ".desktop");
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
    return fs::is_regular_file(autostartEntryPath(), code);
}

bool setAutostart(bool enabled, const std::vector<std::string>& command, std::string& error) {
    const fs::path path = autostartEntryPath();
    if (enabled) {
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
