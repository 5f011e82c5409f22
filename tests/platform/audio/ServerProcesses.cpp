#include "platform/audio/ServerProcesses.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace quib::test {

pid_t spawn(std::vector<std::string> arguments) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::dup2(quiet, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

void end(pid_t& child) {
    if (child > 0) {
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
        child = -1;
    }
}

bool pactl(const std::string& arguments) {
    return std::system(("pactl " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

std::string pactlOutput(const std::string& arguments) {
    std::string output;
    if (FILE* pipe = ::popen(("pactl " + arguments + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
            output.append(buffer, got);
        }
        ::pclose(pipe);
    }
    return output;
}

}  // namespace quib::test
