// The device policy with a fake output: opening on demand, closing when
// idle, reopening after the device vanished, running on with no device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"

namespace quib {
namespace {

using namespace std::chrono_literals;

// Pulls 256 frames every 2 ms on its own thread, like a device; vanish()
// makes it stop pulling and report itself lost, as SDL does. A pausable one
// stops pulling while paused, as a corked PulseAudio stream does.
class FakeOutput final : public AudioOutput {
  public:
    struct Shared {
        std::atomic<int> opens{0};
        std::atomic<bool> vanished{false};
        std::atomic<bool> refuseOpen{false};
        std::atomic<int> streamsThatNeverStart{0};
        std::atomic<float> loudest{0.0F};
        std::atomic<bool> pausable{false};
        std::atomic<bool> reportsLoss{false};
        std::atomic<bool> slow{false};  // connected, but not asked for data
        std::atomic<bool> paused{false};
        std::atomic<int> pauses{0};
        std::atomic<int> callbacks{0};
        std::atomic<int> pulls{0};            // turns of the device's thread, pulled or not
        std::atomic<int> refusals{0};         // opens refused
        std::atomic<int> starts{0};           // blocks reported as starting a sound
        std::atomic<int> startsNotAtHead{0};  // ... whose head was silent
    };

    explicit FakeOutput(Shared& shared) : m_shared(shared) {}
    ~FakeOutput() override { close(); }

    EngineResult open(RenderFunction render, void* context) override {
        if (m_shared.refuseOpen.load()) {
            m_shared.refusals.fetch_add(1);
            return EngineResult{false, "no such device"};
        }
        m_shared.vanished.store(false);
        m_shared.paused.store(false);
        m_shared.opens.fetch_add(1);
        m_running.store(true);
        m_neverStarts = m_shared.streamsThatNeverStart.fetch_sub(1) > 0;
        m_thread = std::thread([this, render, context] { pull(render, context); });
        return {};
    }
    void close() override {
        m_running.store(false);
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    bool isLost() const override { return m_shared.vanished.load(); }
    bool canPause() const override { return m_shared.pausable.load(); }
    bool reportsLoss() const override { return m_shared.reportsLoss.load(); }
    void pause() override {
        m_shared.pauses.fetch_add(1);
        m_shared.paused.store(true);
    }
    void resume() override { m_shared.paused.store(false); }

  private:
    void pull(RenderFunction render, void* context) {
        std::vector<float> buffer(512);
        while (m_running.load()) {
            if (!m_shared.vanished.load() && !m_neverStarts && !m_shared.paused.load() &&
                !m_shared.slow.load()) {
                m_shared.callbacks.fetch_add(1);
                // A render that writes nothing must not replay the last block.
                std::fill(buffer.begin(), buffer.end(), 0.0F);
                if (render(context, buffer.data(), 256).started) {
                    m_shared.starts.fetch_add(1);
                    // The fade-in may make the very first frames quiet.
                    if (std::all_of(buffer.begin(), buffer.begin() + 64,
                                    [](float value) { return value == 0.0F; })) {
                        m_shared.startsNotAtHead.fetch_add(1);
                    }
                }
                for (float value : buffer) {
                    if (value > m_shared.loudest.load()) {
                        m_shared.loudest.store(value);
                    }
                }
            }
            m_shared.pulls.fetch_add(1);
            std::this_thread::sleep_for(2ms);
        }
    }

    Shared& m_shared;
    std::atomic<bool> m_running{false};
    bool m_neverStarts = false;
    std::thread m_thread;
};

using test::waitFor;

class DeviceKeeperTest : public ::testing::Test {
  protected:
    std::unique_ptr<MixerEngine> makeEngine() {
        DevicePolicy policy;
        policy.idleGrace = 100ms;
        policy.pauseAfter = 60ms;
        policy.watchdogInterval = 30ms;
        policy.keepStateAfterLoss = 1000ms;
        policy.retryInterval = 20ms;
        return std::make_unique<MixerEngine>(std::make_unique<FakeOutput>(shared), policy);
    }
    std::shared_ptr<const Sample> click(std::size_t frames) {
        const auto file = resources.file("Sounds", "click.wav");
        test::writeSound(file, test::constantSignal(frames, 0.5F), 1, kOutputSampleRate);
        return loadSampleFile(file);
    }
    static std::shared_ptr<const Sample> loadSampleFile(const std::filesystem::path& file) {
        MixerEngine offline;
        return offline.loadSample(file).sample;
    }

    test::ResourceDirectory resources;
    FakeOutput::Shared shared;
};

TEST_F(DeviceKeeperTest, DeviceOpensOnPlayAndClosesAfterTheIdleGrace) {
    auto engine = makeEngine();
    const PlayerHandle player = engine->preparePlayer(click(480));
    EXPECT_EQ(shared.opens.load(), 0) << "nothing to play, no device";
    engine->play(player);
    ASSERT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; }));
    ASSERT_TRUE(waitFor([&] { return !engine->deviceKeeper()->isOpen(); }));
    shared.loudest.store(0.0F);
    engine->play(player);
    ASSERT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; })) << "reopened for the click";
    EXPECT_EQ(shared.opens.load(), 2);
}

TEST_F(DeviceKeeperTest, LostDeviceIsReopenedAndTheLoopPlaysOn) {
    auto engine = makeEngine();
    const PlayerHandle player = engine->preparePlayer(click(4800));
    engine->setLooping(player, LoopMode::endless);
    engine->play(player);
    ASSERT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; }));

    // A stream that vanishes before its second callback counts as one that
    // never started (reopened without a loss): let it run first.
    ASSERT_TRUE(waitFor([&] { return engine->statistics().device.callbacks >= 4U; }));
    testing::internal::CaptureStderr();
    const int opensBefore = shared.opens.load();
    shared.loudest.store(0.0F);
    shared.vanished.store(true);
    ASSERT_TRUE(waitFor([&] { return engine->statistics().device.losses == 1U; }));
    ASSERT_TRUE(waitFor([&] { return shared.opens.load() > opensBefore; }));
    ASSERT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; }))
        << "the looping player kept its state across the reopen";
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_THAT(log, testing::HasSubstr("[QUIB] Audio device lost"));
    EXPECT_EQ(engine->statistics().device.losses, 1U);
}

TEST_F(DeviceKeeperTest, ReopenRequestReopensAnOpenDeviceAtOnceAndLeavesAClosedOneClosed) {
    DevicePolicy policy;
    policy.idleGrace = 100ms;
    policy.watchdogInterval = 5000ms;  // the request must not wait for the watchdog
    auto engine = std::make_unique<MixerEngine>(std::make_unique<FakeOutput>(shared), policy);
    const PlayerHandle player = engine->preparePlayer(click(4800));
    // Asked while closed, the request is forgotten: the device the next play
    // opens is not reopened for it.
    engine->reopenDevice();
    engine->setLooping(player, LoopMode::endless);
    engine->play(player);
    ASSERT_TRUE(waitFor([&] { return engine->statistics().device.callbacks >= 20U; }));
    EXPECT_EQ(shared.opens.load(), 1) << "a closed device stays closed";

    testing::internal::CaptureStderr();
    engine->reopenDevice();
    ASSERT_TRUE(waitFor([&] { return shared.opens.load() == 2; }, 1000ms));
    shared.loudest.store(0.0F);
    ASSERT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; }))
        << "the looping player plays on after the reopen";
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::HasSubstr("[QUIB] Reopening the audio device after a system sleep"));
    EXPECT_EQ(engine->statistics().device.losses, 0U) << "a reopen on request is not a loss";
}

TEST_F(DeviceKeeperTest, StreamThatNeverStartsIsReopenedWithoutWaitingForTheWatchdog) {
    shared.streamsThatNeverStart.store(1);
    DevicePolicy policy;
    policy.watchdogInterval = 5000ms;  // only the start check can rescue the click
    auto engine = std::make_unique<MixerEngine>(std::make_unique<FakeOutput>(shared), policy);
    engine->play(engine->preparePlayer(click(4800)));
    ASSERT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; }, 1000ms));
    EXPECT_EQ(shared.opens.load(), 2);
    EXPECT_EQ(engine->statistics().device.startStalls, 1U);
    EXPECT_EQ(engine->statistics().device.losses, 0U);
}

TEST_F(DeviceKeeperTest, PausableOutputIsPausedWhenSilentAndResumedByTheNextClick) {
    shared.pausable.store(true);
    auto engine = makeEngine();
    const PlayerHandle player = engine->preparePlayer(click(480));
    for (int round = 0; round < 3; ++round) {
        shared.loudest.store(0.0F);
        engine->play(player);
        ASSERT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; })) << "round " << round;
        ASSERT_TRUE(waitFor([&] { return engine->deviceKeeper()->isPaused(); }));
        const int callbacks = shared.callbacks.load();
        const int pulls = shared.pulls.load();
        ASSERT_TRUE(waitFor([&] { return shared.pulls.load() >= pulls + 10; }));
        EXPECT_EQ(shared.callbacks.load(), callbacks) << "a paused output is not pulled";
    }
    EXPECT_EQ(shared.opens.load(), 1) << "paused, never closed";
    EXPECT_EQ(shared.pauses.load(), 3);
}

// An output that queues ahead drops its queue for a block that starts a
// sound; a block is reported once per play, and a loop's wrap is no start.
TEST_F(DeviceKeeperTest, EachPlayIsReportedAsAStartOfTheBlockThatBeginsIt) {
    auto engine = makeEngine();
    const PlayerHandle click = engine->preparePlayer(this->click(480));
    const PlayerHandle loop = engine->preparePlayer(this->click(300));
    engine->setLooping(loop, LoopMode::endless);
    engine->play(loop);
    ASSERT_TRUE(waitFor([&] { return shared.starts.load() == 1; }));
    for (int round = 0; round < 3; ++round) {
        engine->play(click);
        ASSERT_TRUE(waitFor([&] { return shared.starts.load() == round + 2; })) << round;
    }
    // The loop, 300 frames long, wraps in about every block pulled.
    const int callbacks = shared.callbacks.load();
    ASSERT_TRUE(waitFor([&] { return shared.callbacks.load() >= callbacks + 10; }));
    EXPECT_EQ(shared.starts.load(), 4);
    EXPECT_EQ(shared.startsNotAtHead.load(), 0);
}

TEST_F(DeviceKeeperTest, LoopingSoundKeepsAPausableOutputRunning) {
    shared.pausable.store(true);
    auto engine = makeEngine();
    const PlayerHandle player = engine->preparePlayer(click(4800));
    engine->setLooping(player, LoopMode::endless);
    engine->play(player);
    ASSERT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; }));
    // Longer than the pause delay, looked at by the watchdog every 30 ms.
    const auto checks = engine->statistics().device.checks;
    ASSERT_TRUE(waitFor([&] { return engine->statistics().device.checks >= checks + 5; }));
    EXPECT_EQ(shared.pauses.load(), 0);
    engine->stop(player);
    EXPECT_TRUE(waitFor([&] { return engine->deviceKeeper()->isPaused(); }));
}

TEST_F(DeviceKeeperTest, OutputLostWhilePausedIsReopenedForTheNextClick) {
    shared.pausable.store(true);
    auto engine = makeEngine();
    const PlayerHandle player = engine->preparePlayer(click(480));
    engine->play(player);
    ASSERT_TRUE(waitFor([&] { return engine->deviceKeeper()->isPaused(); }));
    testing::internal::CaptureStderr();
    shared.vanished.store(true);
    shared.loudest.store(0.0F);
    engine->play(player);
    EXPECT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; }));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(shared.opens.load(), 2);
    EXPECT_EQ(engine->statistics().device.losses, 1U);
}

TEST_F(DeviceKeeperTest, ReopenRequestWhilePausedReopensWhenTheNextClickResumes) {
    shared.pausable.store(true);
    auto engine = makeEngine();
    const PlayerHandle player = engine->preparePlayer(click(480));
    engine->play(player);
    ASSERT_TRUE(waitFor([&] { return engine->deviceKeeper()->isPaused(); }));
    engine->reopenDevice();
    testing::internal::CaptureStderr();
    shared.loudest.store(0.0F);
    engine->play(player);
    ASSERT_TRUE(waitFor([&] { return shared.opens.load() == 2; }));
    EXPECT_TRUE(waitFor([&] { return shared.loudest.load() > 0.3F; }));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(engine->statistics().device.losses, 0U);
}

TEST_F(DeviceKeeperTest, StallIsALossOnlyForAnOutputThatCannotReportItsOwnLoss) {
    for (const bool reports : {false, true}) {
        shared.opens.store(0);
        shared.reportsLoss.store(reports);
        auto engine = makeEngine();
        const PlayerHandle player = engine->preparePlayer(click(4800));
        engine->setLooping(player, LoopMode::endless);
        engine->play(player);
        ASSERT_TRUE(waitFor([&] { return engine->statistics().device.callbacks >= 4U; }));
        testing::internal::CaptureStderr();
        shared.slow.store(true);  // watchdog intervals without a pull
        // An output that cannot report its loss is reopened once the stall is
        // seen; the stall ends then, so that the new device is not stalled too
        // on a machine slow enough to see it early.
        if (reports) {
            // Four quiet intervals: a stall for any other output.
            const auto checks = engine->statistics().device.checks;
            ASSERT_TRUE(waitFor([&] { return engine->statistics().device.checks >= checks + 5; }));
        } else {
            EXPECT_TRUE(waitFor([&] { return engine->statistics().device.losses >= 1U; }));
        }
        shared.slow.store(false);
        const auto callbacks = engine->statistics().device.callbacks;
        EXPECT_TRUE(waitFor([&] { return engine->statistics().device.callbacks > callbacks; }));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(engine->statistics().device.losses, reports ? 0U : 1U) << "reports " << reports;
        EXPECT_EQ(shared.opens.load(), reports ? 1 : 2) << "reports " << reports;
    }
}

TEST_F(DeviceKeeperTest, NoDeviceMakesEveryPlayASilentNoOpWithOneLogLine) {
    shared.refuseOpen.store(true);
    testing::internal::CaptureStderr();
    auto engine = makeEngine();
    const auto sample = click(480);
    const PlayerHandle player = engine->preparePlayer(sample);
    // Each play tries the device again, at most once per retry interval.
    EXPECT_TRUE(waitFor([&] {
        engine->play(player);
        return shared.refusals.load() >= 3;
    }));
    engine->releasePlayer(player);
    engine.reset();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(shared.opens.load(), 0);
    const auto first = log.find("[QUIB] No audio device");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("[QUIB] No audio device", first + 1), std::string::npos) << "logged once";
}

}  // namespace
}  // namespace quib
