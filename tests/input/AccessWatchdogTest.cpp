#include "input/AccessWatchdog.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <vector>

#include "input/InputCapture.h"
#include "platform/input/InputTestSupport.h"
#include "support/InputFakes.h"

namespace quib {
namespace {

using namespace std::chrono_literals;
using test::waitFor;

struct NoOutput final : InputCounter, ClickSounds {
    void recordKeystroke() override {}
    void recordClick() override {}
    bool keyEnabled() const override { return false; }
    void playKeyPress(std::uint16_t) override {}
    void playKeyRelease(std::uint16_t) override {}
    bool mouseEnabled() const override { return false; }
    void playMouseClick() override {}
};

// Short intervals keep the test fast; the poll is four times as frequent as
// the watchdog, roughly as 1 s against 3 s.
class AccessWatchdogTest : public ::testing::Test {
  protected:
    AccessWatchdogTest() {
        test::qtApplication();
        m_permission.trusted = false;
    }

    bool captureRunning() const { return m_capture.hasEventTap(); }
    // The sync point of the checks that nothing (more) happens: the poll or
    // the watchdog has looked at the permission `times` more times.
    bool checkedAgain(int times) {
        const int from = m_permission.checks;
        return waitFor([&] { return m_permission.checks >= from + times; });
    }

    test::FakePermission m_permission;
    NoOutput m_output;
    test::InputSourceRegistry m_sources;
    InputCapture m_capture{m_output, m_output, m_sources.factory()};
    std::vector<bool> m_dimmed;
    AccessWatchdog m_watchdog{m_permission, m_capture,
                              [this](bool dimmed) { m_dimmed.push_back(dimmed); },
                              AccessWatchdog::Intervals{20ms, 80ms}};
};

TEST_F(AccessWatchdogTest, GrantedAtLaunchStartsCaptureAtOnceWithoutPolling) {
    m_permission.trusted = true;
    m_watchdog.requestAccessAndListen();
    EXPECT_TRUE(m_watchdog.hasPermission());
    EXPECT_TRUE(captureRunning());
    EXPECT_FALSE(m_watchdog.isPolling());
    EXPECT_EQ(m_dimmed, std::vector<bool>{false});
}

TEST_F(AccessWatchdogTest, GrantWhileWaitingIsFoundByThePollWithoutDimmingMeanwhile) {
    m_watchdog.requestAccessAndListen();
    EXPECT_TRUE(m_watchdog.isPolling());
    ASSERT_TRUE(checkedAgain(2));
    EXPECT_FALSE(captureRunning());
    EXPECT_TRUE(m_dimmed.empty());  // Waiting leaves the icon as it was.
    m_permission.trusted = true;
    ASSERT_TRUE(waitFor([&] { return captureRunning(); }));
    EXPECT_FALSE(m_watchdog.isPolling());
    EXPECT_TRUE(m_watchdog.hasPermission());
    EXPECT_EQ(m_dimmed, std::vector<bool>{false});
    EXPECT_EQ(m_permission.requests, 1);  // The prompt is asked once, the poll is silent.
}

TEST_F(AccessWatchdogTest, PollAndWatchdogTogetherLeaveExactlyOneSource) {
    m_watchdog.requestAccessAndListen();
    m_watchdog.requestAccessAndListen();  // A second request restarts the same poll.
    m_watchdog.startAccessibilityWatchdog();
    m_permission.trusted = true;
    ASSERT_TRUE(waitFor([&] { return captureRunning() && !m_watchdog.isPolling(); }));
    ASSERT_TRUE(checkedAgain(2));  // the watchdog, twice, with the capture running
    EXPECT_EQ(m_sources.live.size(), 1U);
    EXPECT_TRUE(m_watchdog.isWatching());
}

TEST_F(AccessWatchdogTest, WithdrawalStopsCaptureAndDimsAndARegrantRestartsAndUndims) {
    m_permission.trusted = true;
    m_watchdog.requestAccessAndListen();
    m_watchdog.startAccessibilityWatchdog();
    m_permission.trusted = false;
    ASSERT_TRUE(waitFor([&] { return !m_watchdog.hasPermission(); }));
    EXPECT_FALSE(captureRunning());
    EXPECT_EQ(m_sources.live.size(), 0U);
    EXPECT_EQ(m_dimmed, (std::vector<bool>{false, true}));
    ASSERT_TRUE(checkedAgain(2));  // Still withdrawn: nothing more happens.
    EXPECT_EQ(m_dimmed.size(), 2u);
    m_permission.trusted = true;
    ASSERT_TRUE(waitFor([&] { return captureRunning(); }));
    EXPECT_EQ(m_dimmed, (std::vector<bool>{false, true, false}));
}

TEST_F(AccessWatchdogTest, SwitchOffKeepsTheIconDimmedThroughEveryPermissionChange) {
    m_capture.setEnabled(false);
    m_watchdog.requestAccessAndListen();
    m_watchdog.startAccessibilityWatchdog();
    m_permission.trusted = true;
    ASSERT_TRUE(waitFor([&] { return captureRunning(); }));
    m_permission.trusted = false;
    ASSERT_TRUE(waitFor([&] { return !captureRunning(); }));
    m_permission.trusted = true;
    ASSERT_TRUE(waitFor([&] { return captureRunning(); }));
    EXPECT_EQ(m_dimmed, (std::vector<bool>{true, true, true}));
}

TEST_F(AccessWatchdogTest, WatchdogRetriesACaptureThatFailedToStart) {
    m_permission.trusted = true;
    m_sources.startSucceeds = false;
    testing::internal::CaptureStderr();
    m_watchdog.requestAccessAndListen();
    m_watchdog.startAccessibilityWatchdog();
    EXPECT_FALSE(captureRunning());
    ASSERT_TRUE(waitFor([&] { return m_sources.created >= 2; })) << "retried and failed again";
    m_sources.startSucceeds = true;
    ASSERT_TRUE(waitFor([&] { return captureRunning(); }));
    testing::internal::GetCapturedStderr();
    const int created = m_sources.created;
    ASSERT_TRUE(checkedAgain(2));
    EXPECT_EQ(m_sources.live.size(), 1U);
    EXPECT_EQ(m_sources.created, created);  // A running capture is left alone.
}

TEST_F(AccessWatchdogTest, ReportedChangesReplaceEveryTimerAndEachIsCheckedOnce) {
    m_permission.reportsChanges = true;
    AccessWatchdog watchdog{m_permission, m_capture,
                            [this](bool dimmed) { m_dimmed.push_back(dimmed); },
                            AccessWatchdog::Intervals{20ms, 80ms}};
    watchdog.requestAccessAndListen();
    watchdog.startAccessibilityWatchdog();
    const int checks = m_permission.checks;
    // A timer of the watchdog's period started now fires after any that ran
    // beside it: three of its periods pass.
    int periods = 0;
    QTimer reference;
    QObject::connect(&reference, &QTimer::timeout, [&periods] { ++periods; });
    reference.start(80ms);
    ASSERT_TRUE(waitFor([&] { return periods >= 3; }));
    EXPECT_EQ(m_permission.checks, checks) << "nothing is checked while nothing changes";
    EXPECT_FALSE(watchdog.hasTimerRunning());
    m_permission.trusted = true;
    m_permission.change();
    EXPECT_TRUE(captureRunning());
    m_permission.trusted = false;
    m_permission.change();
    EXPECT_FALSE(captureRunning());
    EXPECT_EQ(m_permission.checks, checks + 2);
    EXPECT_EQ(m_dimmed, (std::vector<bool>{false, true}));
    EXPECT_FALSE(watchdog.hasTimerRunning());
}

TEST_F(AccessWatchdogTest, ReportedChangesStillRetryAFailedStartUntilItRuns) {
    m_permission.reportsChanges = true;
    m_permission.trusted = true;
    m_sources.startSucceeds = false;
    AccessWatchdog watchdog{m_permission, m_capture, nullptr,
                            AccessWatchdog::Intervals{20ms, 80ms}};
    testing::internal::CaptureStderr();
    watchdog.requestAccessAndListen();
    watchdog.startAccessibilityWatchdog();
    EXPECT_TRUE(watchdog.hasTimerRunning());
    m_sources.startSucceeds = true;
    ASSERT_TRUE(waitFor([&] { return captureRunning(); }));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(watchdog.hasTimerRunning());
}

}  // namespace
}  // namespace quib
