// A screen saver for end-to-end tests: owns org.freedesktop.ScreenSaver on the
// session bus and reads commands from standard input, one per line: "lock"
// and "unlock" send ActiveChanged(true) and ActiveChanged(false). It quits at
// the end of its input.
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <string>

#include "FakeScreenSaver.h"

namespace {

// Reads what is there and runs every complete line; false at the end of input.
bool runCommands(quib::test::FakeScreenSaver& saver, std::string& pending) {
    char buffer[256];
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
        return false;
    }
    pending.append(buffer, static_cast<std::size_t>(got));
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line == "lock" || line == "unlock") {
            saver.setActive(line == "lock");
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quib::test::FakeScreenSaver saver(QDBusConnection::sessionBus(),
                                      QStringLiteral("org.freedesktop.ScreenSaver"));
    if (!saver.isRegistered()) {
        std::fprintf(stderr, "could not own org.freedesktop.ScreenSaver\n");
        return 1;
    }
    std::string pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        if (!runCommands(saver, pending)) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return QCoreApplication::exec();
}
