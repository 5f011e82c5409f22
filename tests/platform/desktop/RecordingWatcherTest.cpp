#include <gtest/gtest.h>

#include "platform/audio/PrivatePulseServer.h"
#include "platform/desktop/PulseRecordingWatcher.h"
#include "support/Fakes.h"
#include "support/QuibProcess.h"
#include "support/TempDir.h"

namespace quib {
namespace {

using namespace std::chrono_literals;

// A real PulseAudio server with a microphone of its own (a null source, which
// is not a monitor) and the null sink "ci", whose monitor is a source too.
class RecordingWatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(server.pactl("load-module module-null-source source_name=mic"));
        watcher.onRecordingChanged = [this](bool recording) { changes.push_back(recording); };
        ASSERT_TRUE(watcher.start());
    }
    void TearDown() override {
        test::PrivatePulseServer::endRecording(micRecorder);
        test::PrivatePulseServer::endRecording(monitorRecorder);
    }

    // The watcher's view once the main queue has delivered it.
    bool becomes(bool recording) {
        return test::waitFor([&] {
            queue.drain();
            return watcher.isRecording() == recording;
        });
    }
    bool serverListsRecordings(int count) {
        return test::waitFor([&] {
            const std::string list = server.pactlOutput("list short source-outputs");
            return std::count(list.begin(), list.end(), '\n') == count;
        });
    }

    test::PrivatePulseServer server;
    test::ManualQueue queue;
    PulseRecordingWatcher watcher{queue};
    std::vector<bool> changes;
    pid_t micRecorder = -1;
    pid_t monitorRecorder = -1;
};

TEST_F(RecordingWatcherTest, AMicrophoneRecordingCountsAndAMonitorRecordingDoesNot) {
    monitorRecorder = server.record("ci.monitor");
    ASSERT_TRUE(serverListsRecordings(1));
    micRecorder = server.record("mic");
    ASSERT_TRUE(becomes(true)) << "a recording from the microphone";
    test::PrivatePulseServer::endRecording(micRecorder);
    ASSERT_TRUE(becomes(false)) << "the monitor's recording still runs";
    ASSERT_TRUE(serverListsRecordings(1));
    queue.drain();
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
}

TEST_F(RecordingWatcherTest, FollowsTheServerAcrossARestart) {
    micRecorder = server.record("mic");
    ASSERT_TRUE(becomes(true));
    server.stop();
    ASSERT_TRUE(becomes(false)) << "no server, nothing records";
    test::PrivatePulseServer::endRecording(micRecorder);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(server.pactl("load-module module-null-source source_name=mic"));
    micRecorder = server.record("mic");
    EXPECT_TRUE(becomes(true)) << "reconnected";
}

// Without a server: one attempt per back-off step, never more than one retry
// waiting, and one line in the log. Timers fire no earlier than asked, so
// after `elapsed` at most 1 + elapsed / step attempts can have been made.
TEST(RecordingWatcherRetryTest, WithoutAServerEachStepMakesOneAttempt) {
    test::TempDir dir;
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("PULSE_SERVER", ("unix:" + (dir.path() / "no-server").string()).c_str(), 1);
    constexpr auto step = 20ms;
    test::ManualQueue queue;
    testing::internal::CaptureStderr();
    const auto started = std::chrono::steady_clock::now();
    int mostWaiting = 0;
    int attempts = 0;
    {
        PulseRecordingWatcher watcher(queue, {step, step});
        ASSERT_TRUE(watcher.start());
        test::waitFor([&] {
            mostWaiting = std::max(mostWaiting, watcher.pendingRetries());
            return watcher.connectionAttempts() >= 8;
        });
        attempts = watcher.connectionAttempts();
    }
    const auto elapsed = std::chrono::steady_clock::now() - started;
    const std::string log = testing::internal::GetCapturedStderr();
    if (previous != nullptr) {
        setenv("PULSE_SERVER", saved.c_str(), 1);
    } else {
        unsetenv("PULSE_SERVER");
    }
    EXPECT_GE(attempts, 8);
    EXPECT_LE(attempts, 1 + elapsed / step) << "attempts within " << (elapsed / 1ms) << " ms";
    EXPECT_LE(mostWaiting, 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("[QUIB] Cannot watch for calls, trying again later: "), std::string::npos)
        << log;
}

}  // namespace
}  // namespace quib
