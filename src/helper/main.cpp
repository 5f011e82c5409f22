// quib-input-helper: hears keyboards and mice for QUIB without giving the
// user's programs the devices. Installed setgid to the group that owns the
// event devices; it writes only kinds of events and classes of keys (see
// HelperRecord.h) to its standard output, for whoever runs it.
//
// Under secure execution (the installed, setgid program) it takes nothing
// from its caller: no argument, no environment variable, no descriptor but
// standard output and error. It reads the devices under Landlock, opens no
// socket but udev's netlink monitor, holds its group only while opening a
// device, and ends when its output is closed or its parent ends.
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "helper/HelperFeed.h"
#include "helper/Sandbox.h"

namespace {

#ifdef QUIB_HELPER_TEST_FEED
// The test build reads the FIFOs named here (colon-separated) instead of the
// devices, as the evdev backend's tests do; never under secure execution.
std::vector<std::string> testFifos() {
    std::vector<std::string> paths;
    const char* value = std::getenv("QUIB_INPUT_HELPER_FIFOS");
    std::string list = value != nullptr ? value : "";
    for (std::size_t start = 0; !list.empty() && start <= list.size();) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (end > start) {
            paths.push_back(list.substr(start, end - start));
        }
        start = end + 1;
    }
    return paths;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const pid_t parent = ::getppid();
    const bool secure = quib::isSecureExecution();
    std::vector<std::string> fifos;
    if (secure) {
        if (argc > 1) {
            std::cerr << "[QUIB] Input helper: arguments ignored under secure execution"
                      << std::endl;
        }
    } else {
        if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
            std::cout << "quib-input-helper " << QUIB_VERSION << std::endl;
            return 0;
        }
        if (argc > 1) {
            std::cerr << "usage: quib-input-helper (no arguments; run by quib)" << std::endl;
            return 2;
        }
#ifdef QUIB_HELPER_TEST_FEED
        fifos = testFifos();
#endif
    }
    quib::keepOnlyOutputAndError();
    std::signal(SIGPIPE, SIG_IGN);
    ::prctl(PR_SET_DUMPABLE, 0);
    if (!quib::followParent(parent)) {
        return 0;
    }
    quib::DeviceGroup group;
    quib::HelperFeed feed(group, fifos);
    feed.prepare();
    quib::restrictToInputReading(fifos);
    return feed.run();
}
