#include <iostream>
#include <string>
#include <vector>

#include "cli/AutostartCommand.h"
#include "cli/CommandLine.h"
#include "cli/OptionsCommand.h"
#include "cli/PacksCommand.h"
#include "cli/StatsModes.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#ifndef QUIB_VERSION
#define QUIB_VERSION "0"
#endif

namespace quib {
int runApplication(const CommandLine& commandLine, int argc, char** argv);
// After a command changed the stored settings: a QUIB running on the same data
// directory reads them again at once.
void notifyRunningInstance(const std::filesystem::path& dataDirectory);

namespace {

// A command that changes settings; a running QUIB is told when it succeeded.
int changeSettings(const std::filesystem::path& home, int status) {
    if (status == 0) {
        notifyRunningInstance(home);
    }
    return status;
}

}  // namespace
}  // namespace quib

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto commandLine = quib::CommandLine::parse(arguments);
    if (!commandLine.error.empty()) {
        std::cerr << "quib: " << commandLine.error << "\n\n" << quib::usageText();
        return 2;
    }
    const bool needsData = commandLine.command == quib::CommandLine::Command::run ||
                           commandLine.command == quib::CommandLine::Command::stats;
    if (needsData && quib::dataDirectory(commandLine.home).empty()) {
        quib::logLine(
            "No data folder: HOME is unset and the user has no home folder; "
            "give one with --home DIR or QUIB_HOME");
        return 1;
    }
    switch (commandLine.command) {
        case quib::CommandLine::Command::help:
            std::cout << quib::usageText();
            return 0;
        case quib::CommandLine::Command::version:
            std::cout << "quib " << QUIB_VERSION << "\n";
            return 0;
        case quib::CommandLine::Command::autostart:
            return quib::runAutostartCommand(commandLine, quib::executablePath(), std::cout);
        case quib::CommandLine::Command::stats:
            return quib::runStats(commandLine, std::cout);
        case quib::CommandLine::Command::set: {
            const auto home = quib::dataDirectory(commandLine.home);
            return quib::changeSettings(home,
                                        quib::runSetCommand(home, commandLine.operands, std::cout));
        }
        case quib::CommandLine::Command::packs: {
            const auto home = quib::dataDirectory(commandLine.home);
            const int status =
                quib::runPacksCommand(home, commandLine.operands, commandLine.json, std::cout);
            const bool lists = !commandLine.operands.empty() && commandLine.operands[0] == "list";
            return lists ? status : quib::changeSettings(home, status);
        }
        case quib::CommandLine::Command::get:
            return quib::runGetCommand(quib::dataDirectory(commandLine.home), commandLine.operands,
                                       commandLine.json, std::cout);
        case quib::CommandLine::Command::run:
            break;
    }
    return quib::runApplication(commandLine, argc, argv);
}
