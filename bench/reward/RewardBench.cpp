// The reward window's figures, in a real Qt event loop:
//   - the reel's actual step delays against its schedule (error per step);
//   - time from the claim to the reward window drawn, through the controller
//     with a real store, audio engine, panel and windows.
// Runs on the platform Qt picks: the X server of $DISPLAY (bench/reward/
// reward_bench.sh starts Xvfb) or, without one, the offscreen platform.
// Command-line arguments (those `make bench` passes to every program) are ignored.
#include <unistd.h>
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <vector>

#include "app/AppDelegate.h"
#include "panel/OnboardingWindow.h"
#include "panel/PopoverPanel.h"
#include "platform/audio/SystemAudioEngine.h"
#include "platform/prefs/SqlitePreferences.h"
#include "platform/process/QtMainQueue.h"
#include "reward/RewardSpinner.h"

namespace quib {
namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One reveal on the precise Qt timer: each step's actual delay minus the delay
// the reel scheduled for it, in milliseconds.
std::vector<double> reelErrors(RandomSource& random) {
    RewardSpinner spinner(random);
    std::vector<double> errors;
    double scheduled = Reel::kFirstDelay;
    Clock::time_point previous;
    spinner.onTick = [&] {
        const Clock::time_point now = Clock::now();
        errors.push_back(std::chrono::duration<double>(now - previous).count() * 1000.0 -
                         scheduled * 1000.0);
        previous = now;
        scheduled = spinner.reel()->delay();
    };
    std::vector<std::string> names;
    for (SoundProfile profile : allSoundProfiles()) {
        names.emplace_back(rawValue(profile));
    }
    spinner.show(names, names[random.below(names.size())], RewardType::keyboard);
    previous = Clock::now();
    while (!spinner.isLanded()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return errors;
}

void benchReel(int reveals) {
    if (reveals < 1) {
        return;
    }
    SystemRandom random;
    std::vector<double> errors;
    for (int i = 0; i < reveals; ++i) {
        const auto one = reelErrors(random);
        errors.insert(errors.end(), one.begin(), one.end());
    }
    double meanAbs = 0;
    double mean = 0;
    for (double e : errors) {
        meanAbs += std::abs(e) / static_cast<double>(errors.size());
        mean += e / static_cast<double>(errors.size());
    }
    const auto [low, high] = std::minmax_element(errors.begin(), errors.end());
    std::printf(
        "reel steps: %zu in %d reveals; error per step against the schedule: mean |e| "
        "%.2f ms, mean %+.2f ms, min %+.2f ms, max %+.2f ms\n",
        errors.size(), reveals, meanAbs, mean, *low, *high);
}

// Claims one reward after another through the controller and times each from
// the call to the reward window's first paint.
void benchClaim(int claims) {
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("quib-reward-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    {
        auto preferences = SqlitePreferences::open(home, SqlitePreferences::Mode::readWrite).store;
        preferences->setBool("onboardingComplete", true);
        preferences->setInteger("gs_coins", claims);
        QtMainQueue mainQueue;
        SystemClock clock;
        SystemRandom random;
        auto audio = createSystemAudioEngine();
        NullNotificationCenter notifications;
        struct : StatusItemView {
            void setDimmed(bool) override {}
            void setPaused(bool) override {}
            void setMuteNote(MuteNote) override {}
        } statusItem;
        struct : SessionMonitor {
            bool isLocked() const override { return false; }
        } session;
        X11PermissionService permission;
        NullRecordingWatcher recording;
        NullActiveWindowWatcher activeWindow;
        RewardSpinner* spinner = nullptr;
        AppServices services{*preferences,
                             mainQueue,
                             clock,
                             random,
                             *audio,
                             notifications,
                             statusItem,
                             permission,
                             session,
                             recording,
                             activeWindow,
                             [] { return nullptr; },
                             [] { return std::make_unique<PopoverPanel>([] { return QRect(); }); },
                             [&] {
                                 auto made = std::make_unique<RewardSpinner>(random);
                                 spinner = made.get();
                                 return made;
                             },
                             [] { return nullptr; },
                             [] {},
                             [] {}};
        AppDelegate delegate(std::move(services));
        delegate.applicationDidFinishLaunching();

        struct PaintWatch : QObject {
            bool painted = false;
            bool eventFilter(QObject* watched, QEvent* event) override {
                auto* widget = qobject_cast<QWidget*>(watched);
                if (event->type() == QEvent::Paint && widget != nullptr &&
                    widget->window()->objectName() == QLatin1String("rewardSpinner")) {
                    painted = true;
                }
                return false;
            }
        } watch;
        qApp->installEventFilter(&watch);
        std::vector<double> times;
        for (int i = 0; i < claims; ++i) {
            watch.painted = false;
            const Clock::time_point start = Clock::now();
            delegate.panelDidRequestClaimReward();
            while (!watch.painted) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
            times.push_back(millisecondsSince(start));
            spinner->window()->close();
            while (delegate.isShowingReward()) {  // released from the main queue
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
        }
        qApp->removeEventFilter(&watch);
        delegate.applicationWillTerminate();
        std::printf(
            "claim to reward window drawn: median %.1f ms, max %.1f ms over %d claims "
            "(platform %s)\n",
            median(times), *std::max_element(times.begin(), times.end()), claims,
            qPrintable(QGuiApplication::platformName()));
    }
    std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace quib

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("QUIB_RESOURCE_DIR")) {
        qputenv("QUIB_RESOURCE_DIR", QUIB_BENCH_RESOURCE_DIR);
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const char* reveals = std::getenv("REVEALS");
    quib::benchReel(reveals != nullptr ? std::atoi(reveals) : 3);
    quib::benchClaim(15);
    return 0;
}
