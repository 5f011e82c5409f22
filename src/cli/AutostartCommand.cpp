#include "cli/AutostartCommand.h"

#include <ostream>

#include "platform/Autostart.h"
#include "platform/Log.h"

namespace quib {

namespace {

std::vector<std::string> startCommand(const CommandLine& line, const std::filesystem::path& exe) {
    std::vector<std::string> command{exe.string()};
    if (line.home) {
        command.insert(command.end(), {"--home", std::filesystem::absolute(*line.home).string()});
    }
    if (line.input != "auto") {
        command.insert(command.end(), {"--input", line.input});
    }
    for (const std::string& device : line.inputDevices) {
        command.insert(command.end(), {"--input-device", device});
    }
    return command;
}

// Names the first value the entry cannot hold, and why; empty when all can.
std::string unsafeValue(const std::vector<std::string>& command) {
    for (std::size_t i = 0; i < command.size(); ++i) {
        if (const std::string why = unsafeExecArgument(command[i]); !why.empty()) {
            const std::string what =
                i == 0 ? "the program's path" : "the value of " + command[i - 1];
            return what + " " + why + "; nothing written";
        }
    }
    return {};
}

}  // namespace

int runAutostartCommand(const CommandLine& commandLine, const std::filesystem::path& executable,
                        std::ostream& out) {
    const auto command = startCommand(commandLine, executable);
    std::string error = commandLine.autostart ? unsafeValue(command) : std::string();
    if (!error.empty() || !setAutostart(commandLine.autostart, command, error)) {
        logLine("Cannot change the autostart entry: ", error);
        return 1;
    }
    const std::string path = autostartEntryPath().string();
    out << (commandLine.autostart ? "QUIB starts at log-in: " + path
                                  : "QUIB no longer starts at log-in (" + path + " removed)")
        << "\n";
    return 0;
}

}  // namespace quib
