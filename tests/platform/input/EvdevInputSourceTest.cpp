#include "platform/input/EvdevInputSource.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/input/InputTestSupport.h"
#include "support/TempDir.h"

namespace quib {
namespace {

using test::CountingListener;
using test::waitFor;

using test::record;

input_event key(unsigned short code, int value) {
    return record(EV_KEY, code, value);
}

input_event report() {
    return record(EV_SYN, SYN_REPORT, 0);
}

// The writing end of a FIFO that the source reads, as a device would feed it.
class FifoWriter {
  public:
    explicit FifoWriter(const std::string& path) : m_fd(::open(path.c_str(), O_WRONLY)) {}
    ~FifoWriter() { close(); }
    void write(const std::vector<input_event>& events) {
        ASSERT_EQ(::write(m_fd, events.data(), events.size() * sizeof(input_event)),
                  static_cast<ssize_t>(events.size() * sizeof(input_event)));
    }
    void writeBytes(const void* bytes, std::size_t size) {
        ASSERT_EQ(::write(m_fd, bytes, size), static_cast<ssize_t>(size));
    }
    // Bytes written and not yet taken by the reader.
    int unread() const {
        int bytes = 0;
        return ::ioctl(m_fd, FIONREAD, &bytes) == 0 ? bytes : -1;
    }
    void close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

  private:
    int m_fd;
};

// Sees a reader close a file: inotify reports it as IN_CLOSE_NOWRITE, while
// the writers' closes are IN_CLOSE_WRITE.
class ReaderCloses {
  public:
    explicit ReaderCloses(const std::string& path) : m_fd(::inotify_init1(IN_NONBLOCK)) {
        ::inotify_add_watch(m_fd, path.c_str(), IN_CLOSE_NOWRITE);
    }
    ~ReaderCloses() { ::close(m_fd); }
    int count() {
        alignas(inotify_event) char buffer[1024];
        for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            m_count += static_cast<int>(static_cast<std::size_t>(got) / sizeof(inotify_event));
        }
        return m_count;
    }

  private:
    int m_fd;
    int m_count = 0;
};

class EvdevInputSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::qtApplication();
        ASSERT_EQ(::mkfifo(m_fifo.c_str(), 0600), 0);
        ASSERT_TRUE(m_source.start(m_listener));
    }

    test::TempDir m_directory;
    std::string m_fifo = (m_directory.path() / "keyboard").string();
    EvdevInputSource m_source{{m_fifo}};
    CountingListener m_listener;
};

TEST_F(EvdevInputSourceTest, CountsPressesAndAutoRepeatsButNotReleasesOrModifiersAlone) {
    FifoWriter writer(m_fifo);
    writer.write({key(KEY_A, 1), report(), key(KEY_A, 2), key(KEY_A, 2), report(), key(KEY_A, 0),
                  key(KEY_LEFTSHIFT, 1), key(KEY_LEFTSHIFT, 2), key(KEY_LEFTSHIFT, 0), report(),
                  key(KEY_LEFTCTRL, 1), key(KEY_C, 1), key(KEY_C, 0), key(KEY_LEFTCTRL, 0),
                  key(KEY_CAPSLOCK, 1), key(KEY_CAPSLOCK, 0), report(), key(BTN_LEFT, 1),
                  report()});  // read last: every key is judged by then
    ASSERT_TRUE(waitFor([&] { return m_listener.mouseDowns == 1; }));
    EXPECT_EQ(m_listener.keyDowns, 4);  // A, two repeats of A, and the C of Ctrl-C.
    EXPECT_EQ(m_listener.suspensions, 0);
}

TEST_F(EvdevInputSourceTest, CountsLeftAndRightButtonsButNotMiddleReleasesOrScrolling) {
    FifoWriter writer(m_fifo);
    writer.write({key(BTN_LEFT, 1), key(BTN_LEFT, 0), report(), key(BTN_RIGHT, 1),
                  key(BTN_RIGHT, 0), report(), key(BTN_MIDDLE, 1), key(BTN_MIDDLE, 0),
                  record(EV_REL, REL_WHEEL, -1), record(EV_REL, REL_X, 3), report(),
                  key(BTN_LEFT, 1), key(BTN_LEFT, 0), report(), key(KEY_Z, 1), report()});
    ASSERT_TRUE(waitFor([&] { return m_listener.keyDowns == 1; }));  // Z, read last
    EXPECT_EQ(m_listener.mouseDowns, 3);
}

TEST_F(EvdevInputSourceTest, DroppedEventsAndTheirResyncCountNothingAndSuspendTheFeedOnce) {
    FifoWriter writer(m_fifo);
    // The kernel's state after the gap arrives as ordinary-looking presses
    // before the next SYN_REPORT; none of them is a new keystroke.
    writer.write({key(KEY_A, 1), report(), record(EV_SYN, SYN_DROPPED, 0), key(KEY_B, 1),
                  key(BTN_LEFT, 1), key(KEY_A, 0), report(), key(KEY_C, 1), report(),
                  key(BTN_RIGHT, 1), report()});
    ASSERT_TRUE(waitFor([&] { return m_listener.mouseDowns == 1; }));  // the right button
    EXPECT_EQ(m_listener.keyDowns, 2);
    EXPECT_EQ(m_listener.suspensions, 1);
}

TEST_F(EvdevInputSourceTest, ARecordSplitAcrossWritesIsReadWhole) {
    FifoWriter writer(m_fifo);
    const input_event press = key(KEY_Q, 1);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&press);
    writer.writeBytes(bytes, 10);
    ASSERT_TRUE(waitFor([&] { return writer.unread() == 0; })) << "the source took the part";
    EXPECT_EQ(m_listener.keyDowns, 0);
    writer.writeBytes(bytes + 10, sizeof press - 10);
    writer.write({report(), key(BTN_LEFT, 1), report()});
    ASSERT_TRUE(waitFor([&] { return m_listener.mouseDowns == 1; }));
    EXPECT_EQ(m_listener.keyDowns, 1);
}

TEST_F(EvdevInputSourceTest, KeepsListeningWhenTheWriterLeavesAndAnotherComes) {
    ReaderCloses closes(m_fifo);
    {
        FifoWriter first(m_fifo);
        first.write({key(KEY_A, 1), report()});
        ASSERT_TRUE(waitFor([&] { return m_listener.keyDowns == 1; }));
    }
    // The source sees the end of the stream, closes the FIFO and opens it again.
    ASSERT_TRUE(waitFor([&] { return closes.count() == 1; }));
    EXPECT_TRUE(m_source.isRunning());
    FifoWriter second(m_fifo);
    second.write({key(KEY_B, 1), report()});
    EXPECT_TRUE(waitFor([&] { return m_listener.keyDowns == 2; }));
}

TEST_F(EvdevInputSourceTest, StopClosesEveryDevice) {
    m_source.stop();
    EXPECT_FALSE(m_source.isRunning());
    // With no reader left, a non-blocking writer cannot even open the FIFO.
    const int fd = ::open(m_fifo.c_str(), O_WRONLY | O_NONBLOCK);
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(errno, ENXIO);
    if (fd >= 0) {
        ::close(fd);
    }
}

TEST(EvdevInputSource, StartFailsWhenNoGivenFileCanBeOpened) {
    test::TempDir directory;
    EvdevInputSource source({(directory.path() / "missing").string()});
    CountingListener listener;
    EXPECT_FALSE(source.start(listener));
    EXPECT_FALSE(source.isRunning());
    EXPECT_FALSE(source.reEnable());
}

TEST(EvdevInputSource, ReEnableOpensAGivenFileThatAppearedSinceTheStart) {
    test::qtApplication();
    test::TempDir directory;
    const std::string present = (directory.path() / "present").string();
    const std::string late = (directory.path() / "late").string();
    ASSERT_EQ(::mkfifo(present.c_str(), 0600), 0);
    EvdevInputSource source({late, present});
    CountingListener listener;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(source.start(listener));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[QUIB] Input: evdev, 1 device\n")
        << "the log names the input path and the devices it opened";
    ASSERT_EQ(::mkfifo(late.c_str(), 0600), 0);
    EXPECT_TRUE(source.reEnable());
    FifoWriter writer(late);
    writer.write({key(KEY_A, 1), report()});
    EXPECT_TRUE(waitFor([&] { return listener.keyDowns == 1; }));
}

// Files that never block (a regular file such as a recording, /dev/zero)
// would be read in a loop on the main thread: each is refused with one line
// for the whole run, however often the capture is retried.
TEST(EvdevInputSource, AFileThatIsNoInputDeviceIsRefusedWithOneLine) {
    test::qtApplication();
    test::TempDir directory;
    const std::string recording = (directory.path() / "recording").string();
    std::ofstream(recording, std::ios::binary) << std::string(sizeof(input_event) * 4, '\0');
    for (const std::string& path : {recording, std::string("/dev/zero")}) {
        CountingListener listener;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(EvdevInputSource({path}).start(listener)) << path;
        EXPECT_FALSE(EvdevInputSource({path}).start(listener)) << "a retry, as the watchdog's";
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "[QUIB] Ignored an input device that is neither an event device nor a FIFO: " +
                      path + "\n");
    }
}

}  // namespace
}  // namespace quib
