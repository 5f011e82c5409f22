#include "platform/process/SignalBridge.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "platform/Log.h"

namespace quib {

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

// The write end is read by the handler, so it is a plain int set before the
// handlers are installed and cleared only after they are removed.
volatile std::sig_atomic_t g_writeFd = -1;
int g_readFd = -1;
std::array<struct sigaction, kSignals.size()> g_previous{};
// Set once the application's loop is ending, so that late signals add nothing.
bool g_quitting = false;
constexpr int kQuitRetryMs = 50;

extern "C" void writeSignalToPipe(int number) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    // A full pipe means a wake-up is already pending; losing this byte is fine.
    [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

bool openPipe() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) {
        return false;
    }
    g_readFd = fds[0];
    g_writeFd = fds[1];
    return true;
}

void installHandlers() {
    struct sigaction action {};
    action.sa_handler = writeSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t index = 0; index < kSignals.size(); ++index) {
        ::sigaction(kSignals[index], &action, &g_previous[index]);
    }
}

// QCoreApplication::quit() does nothing unless exec() runs, and start-up code
// may process events (and so read the pipe) before it does: then the request
// is kept and retried until the loop runs.
void quitOnceTheLoopRuns() {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || g_quitting) {
        return;
    }
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::quit();
        return;
    }
    QTimer::singleShot(kQuitRetryMs, application, quitOnceTheLoopRuns);
}

}  // namespace

SignalBridge::SignalBridge() {
    if (g_readFd >= 0) {
        logLine("Signal bridge already installed");
        return;
    }
    if (!openPipe()) {
        logLine("Signal bridge unavailable: ", std::strerror(errno));
        return;
    }
    installHandlers();
    m_notifier = std::make_unique<QSocketNotifier>(g_readFd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { drain(); });
    g_quitting = false;
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QObject::connect(application, &QCoreApplication::aboutToQuit, m_notifier.get(),
                         [] { g_quitting = true; });
    }
}

SignalBridge::~SignalBridge() {
    if (!m_notifier) {
        return;
    }
    m_notifier.reset();
    for (std::size_t index = 0; index < kSignals.size(); ++index) {
        ::sigaction(kSignals[index], &g_previous[index], nullptr);
    }
    const int writeFd = g_writeFd;
    g_writeFd = -1;
    ::close(writeFd);
    ::close(g_readFd);
    g_readFd = -1;
}

void SignalBridge::drain() {
    unsigned char numbers[16];
    ssize_t count = 0;
    while ((count = ::read(g_readFd, numbers, sizeof numbers)) > 0) {
        for (ssize_t index = 0; index < count; ++index) {
            const int number = numbers[index];
            if (onSignal) {
                onSignal(number);
            } else {
                quitOnceTheLoopRuns();
            }
        }
    }
}

}  // namespace quib
