// quib-kwin-screenshot OUT.png: the whole screen of a KWin session as a PNG,
// through KWin's ScreenShot2 interface (which KWin offers to any caller when
// started with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS). KWin writes the raw
// pixels into a pipe it is given and answers with their size and format.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QImage>
#include <QVariantMap>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

// Everything the pipe holds until KWin closes its end; at most `limit` bytes.
bool readAll(int fd, std::vector<unsigned char>& data, std::size_t limit) {
    unsigned char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (data.size() + static_cast<std::size_t>(got) > limit) {
            return false;
        }
        data.insert(data.end(), chunk, chunk + got);
    }
}

quint64 number(const QVariantMap& results, const char* key) {
    bool ok = false;
    const quint64 value = results.value(QString::fromLatin1(key)).toULongLong(&ok);
    return ok ? value : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: quib-kwin-screenshot OUT.png\n", stderr);
        return 2;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        std::perror("quib-kwin-screenshot: pipe");
        return 1;
    }
    // KWin may write before it answers: the pipe is drained meanwhile. The
    // message holds a copy of the pipe's end until it goes.
    constexpr std::size_t kMaxBytes = std::size_t{16384} * 16384 * 8;
    std::vector<unsigned char> data;
    bool read = false;
    std::thread reader([&] { read = readAll(fds[0], data, kMaxBytes); });
    QDBusMessage reply;
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.KWin"), QStringLiteral("/org/kde/KWin/ScreenShot2"),
            QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("CaptureActiveScreen"));
        QVariantMap options;
        options.insert(QStringLiteral("include-cursor"), false);
        options.insert(QStringLiteral("native-resolution"), true);
        call << options << QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]));
        ::close(fds[1]);
        reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    }
    reader.join();
    ::close(fds[0]);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        std::fprintf(stderr, "quib-kwin-screenshot: %s\n", qPrintable(reply.errorMessage()));
        return 1;
    }
    const QVariantMap results = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    const quint64 width = number(results, "width");
    const quint64 height = number(results, "height");
    const quint64 stride = number(results, "stride");
    const quint64 format = number(results, "format");
    constexpr quint64 kMaxSide = 16384;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || stride < width * 4 ||
        stride > kMaxSide * 8 || format == 0 || format >= QImage::NImageFormats) {
        std::fprintf(stderr, "quib-kwin-screenshot: unexpected image %llux%llu stride %llu\n",
                     static_cast<unsigned long long>(width),
                     static_cast<unsigned long long>(height),
                     static_cast<unsigned long long>(stride));
        return 1;
    }
    if (!read || data.size() != stride * height) {
        std::fprintf(stderr, "quib-kwin-screenshot: %zu bytes of %llu\n", data.size(),
                     static_cast<unsigned long long>(stride * height));
        return 1;
    }
    const QImage image(data.data(), static_cast<int>(width), static_cast<int>(height),
                       static_cast<qsizetype>(stride), static_cast<QImage::Format>(format));
    if (!image.convertToFormat(QImage::Format_RGB32).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "quib-kwin-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
