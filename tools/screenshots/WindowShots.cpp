// The reward window and the onboarding window, in each of their states.
#include <QAbstractAnimation>
#include <QCoreApplication>
#include <QWidget>
#include <filesystem>

#include "Shots.h"
#include "panel/FlatViews.h"
#include "panel/FloatingWindow.h"
#include "panel/OnboardingWindow.h"
#include "platform/Paths.h"
#include "platform/RandomSource.h"
#include "platform/input/PermissionService.h"
#include "reward/RewardSpinner.h"

namespace quib::shots {

namespace {

// A reel timer that steps only when told to, so a shot catches the reel
// exactly where it wants.
class HandTimer final : public StepTimer {
  public:
    void start(double, std::function<void()> fire) override { m_fire = std::move(fire); }
    void stop() override { m_fire = nullptr; }
    bool isActive() const override { return m_fire != nullptr; }
    bool fire() {
        auto fire = std::move(m_fire);
        m_fire = nullptr;
        if (fire) {
            fire();
        }
        return fire != nullptr;
    }

  private:
    std::function<void()> m_fire;
};

class SetPermission final : public PermissionService {
  public:
    bool requestTrust() override { return trusted; }
    bool isTrusted() const override { return trusted; }
    bool needsDeviceAccess() const override { return devices; }
    bool trusted = false;
    bool devices = true;
};

struct RewardState {
    const char* name;
    RewardType type;
    std::vector<std::string> candidates;
    std::string winner;
};

void renderReward(const RewardState& state, const SaveShot& save) {
    SystemRandom random;
    auto timer = std::make_unique<HandTimer>();
    HandTimer* hand = timer.get();
    RewardSpinner spinner(random, std::move(timer));
    spinner.show(state.candidates, state.winner, state.type);
    for (int step = 0; step < 12; ++step) {
        hand->fire();
    }
    save(QStringLiteral("reel-") + QString::fromLatin1(state.name), grabWindow(spinner.window()));
    while (hand->fire()) {
    }
    auto* reveal = spinner.window()->findChild<QAbstractAnimation*>(QStringLiteral("reveal"));
    if (reveal != nullptr) {
        reveal->setCurrentTime(reveal->duration());
    }
    save(QStringLiteral("landed-") + QString::fromLatin1(state.name), grabWindow(spinner.window()));
}

void renderRewards(ShotContext&, const SaveShot& save) {
    const RewardState states[] = {
        {"keyboard",
         RewardType::keyboard,
         {"Soft Tock", "MX Blue", "Typewriter", "Haptic"},
         "Haptic"},
        {"mouse", RewardType::mouse, {"Snap", "Bubble", "Cream"}, "Bubble"},
        {"theme", RewardType::theme, {"Blood", "Ice", "Violet"}, "Violet"},
    };
    for (const auto& state : states) {
        renderReward(state, save);
    }
}

// `make screenshots` points QUIB_RESOURCE_DIR at the build's generated images.
std::filesystem::path headerLogo() {
    return resourceDirectory() / "header-logo.png";
}

void press(OnboardingWindow& window, const QString& title) {
    for (auto* button : window.window()->card()->findChildren<FlatButton*>()) {
        if (button->title() == title) {
            button->click();
            return;
        }
    }
}

void renderOnboarding(ShotContext&, const SaveShot& save) {
    SetPermission permission;
    const OnboardingWindow::Intervals quick{std::chrono::milliseconds(1), std::chrono::hours(1)};
    {
        OnboardingWindow window(permission, "file:///dev/null", std::filesystem::path());
        window.show();
        save(QStringLiteral("1-welcome-without-logo"), grabWindow(window.window()));
    }
    {
        OnboardingWindow window(permission, "file:///dev/null", headerLogo(), quick);
        window.show();
        save(QStringLiteral("1-welcome"), grabWindow(window.window()));
        press(window, QStringLiteral("GET STARTED"));
        save(QStringLiteral("2-access-waiting"), grabWindow(window.window()));
        permission.trusted = true;
        while (window.isPolling()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        save(QStringLiteral("2-access-just-granted"), grabWindow(window.window()));
    }
    permission.devices = false;  // X11: granted from the start
    OnboardingWindow window(permission, "file:///dev/null", headerLogo());
    window.show();
    press(window, QStringLiteral("GET STARTED"));
    save(QStringLiteral("2-access-granted-x11"), grabWindow(window.window()));
    press(window, QStringLiteral("CONTINUE"));
    save(QStringLiteral("3-finish"), grabWindow(window.window()));
}

}  // namespace

void addWindowShots(std::vector<ShotFamily>& families) {
    families.push_back({QStringLiteral("reward"), renderRewards});
    families.push_back({QStringLiteral("onboarding"), renderOnboarding});
}

}  // namespace quib::shots
