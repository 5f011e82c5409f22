// QUIB's reader of the input helper, over the helper's test build fed by a FIFO.
#include "platform/input/helper/HelperInputSource.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/input/InputTestSupport.h"
#include "support/TempDir.h"

namespace quib {
namespace {

using test::CountingListener;
using test::record;
using test::waitFor;

TEST(HelperInputSource, KeysArriveAsTheirClassesAndPressesAsMouseDowns) {
    test::qtApplication();
    test::TempDir dir;
    const std::string fifo = (dir.path() / "events").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::setenv("QUIB_INPUT_HELPER_FIFOS", fifo.c_str(), 1);
    HelperInputSource source(QUIB_HELPER_TESTFEED);
    CountingListener listener;
    ASSERT_TRUE(source.start(listener));
    const int writer = ::open(fifo.c_str(), O_WRONLY);  // waits for the helper to open it
    ASSERT_GE(writer, 0);
    std::vector<input_event> events;
    for (unsigned short code :
         {KEY_A, KEY_B, KEY_SPACE, KEY_LEFTSHIFT, BTN_LEFT, BTN_MIDDLE, BTN_RIGHT}) {
        events.push_back(record(EV_KEY, code, 1));
        events.push_back(record(EV_SYN, SYN_REPORT, 0));
        events.push_back(record(EV_KEY, code, 0));
    }
    ASSERT_EQ(::write(writer, events.data(), events.size() * sizeof(input_event)),
              static_cast<ssize_t>(events.size() * sizeof(input_event)));
    ASSERT_TRUE(waitFor([&] { return listener.mouseDowns == 2 && listener.keys.size() == 8; }));
    EXPECT_EQ(listener.keyDowns, 3) << "the modifier alone is not counted";
    std::vector<std::uint16_t> codes;
    for (const InputEvent& key : listener.keys) {
        codes.push_back(key.keyCode);
    }
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{0, 0, 0, 0, KEY_SPACE, KEY_SPACE, KEY_LEFTSHIFT,
                                                 KEY_LEFTSHIFT}))
        << "letters come without their codes";
    ::close(writer);
    source.stop();
    EXPECT_FALSE(source.isRunning());
    ::unsetenv("QUIB_INPUT_HELPER_FIFOS");
}

TEST(HelperInputSource, AHelperThatEndsSuspendsTheFeedOnceAndStopsTheSource) {
    test::qtApplication();
    HelperInputSource source("/bin/true");
    CountingListener listener;
    ASSERT_TRUE(source.start(listener));
    ASSERT_TRUE(waitFor([&] { return listener.suspensions == 1; }));
    EXPECT_FALSE(source.isRunning());
    EXPECT_FALSE(source.reEnable()) << "the watchdog starts a new one";
    HelperInputSource missing("/nonexistent/quib-input-helper");
    EXPECT_FALSE(missing.start(listener));
}

}  // namespace
}  // namespace quib
