#include "app/AppDelegate.h"

#include "options/SettingsKeys.h"

namespace quib {

using namespace std::chrono_literals;

AppDelegate::AppDelegate(AppServices services) : m_services(std::move(services)) {}

// Members go in reverse order of declaration: the windows and timers before
// the objects their callbacks reach.
AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    // The order matters: the store before the profiles are validated against
    // it, the player before the volumes are applied, the panel before it is
    // refreshed.
    m_gameStats = std::make_unique<GameStats>(m_services.preferences, m_services.mainQueue,
                                              m_services.clock, m_services.random);
    std::weak_ptr<char> alive = m_alive;
    m_gameStats->onAchievementUnlocked = [this, alive](const Achievement& achievement) {
        if (!alive.expired()) {
            handleAchievementUnlocked(achievement);
        }
    };
    m_gameStats->onLevelUp = [this, alive](std::int64_t level, std::int64_t coins) {
        if (!alive.expired()) {
            handleLevelUp(level, coins);
        }
    };
    m_gameStats->onProfileUnlocked = [this, alive](SoundProfile profile) {
        if (!alive.expired()) {
            handleProfileUnlocked(profile);
        }
    };
    m_gameStats->startFlushTimer();

    m_services.notifications.onActivated = [this] {
        later(0ms, [](AppDelegate& self) { self.statusItemClicked(); });
    };

    m_soundPlayer = std::make_unique<SoundPlayer>(m_services.audio, m_services.random,
                                                  restoreProfile(settings::keyProfile, true),
                                                  restoreProfile(settings::mouseProfile, false));
    FeatureHost& host = *this;
    m_packController = std::make_unique<PackController>(m_services, *m_soundPlayer, host);
    m_quietController =
        std::make_unique<QuietController>(m_services, *m_soundPlayer, *m_packController, host);
    applyOptions();
    m_packController->restoreKeyPack();
    m_ambientEngine = std::make_unique<AmbientEngine>(m_services.audio);
    restoreFocusAudio();

    InputCounter& counter = *this;
    ClickSounds& sounds = *this;
    m_capture = std::make_unique<InputCapture>(counter, sounds, m_services.inputSources);
    followSession();
    m_watchdog = std::make_unique<AccessWatchdog>(
        m_services.permission, *m_capture,
        [this](bool dimmed) { m_services.statusItem.setDimmed(dimmed); }, m_services.intervals);
    restoreVolumesAndSwitch();
    m_services.statusItem.setDimmed(!isEnabled());
    m_quietController->followQuietConditions(*m_capture);

    m_popoverPanel = m_services.makePanel();
    m_popoverPanel->setDelegate(this);
    // The panel closes on presses outside it, which the input feed reports.
    m_popoverPanel->setPressFeedProbe([this] { return isListening(); });
    m_capture->onMouseDown = [this] { m_popoverPanel->globalPress(); };
    refreshPanelData();

    // A store another program holds locked is an existing user's: no first run.
    const bool firstRun =
        m_services.preferences.isLoaded() &&
        !m_services.preferences.boolValue(settings::onboardingComplete).value_or(false);
    if (firstRun) {
        m_onboardingWindow = m_services.makeOnboarding();
        m_onboardingWindow->onComplete = [this, alive] {
            if (!alive.expired()) {
                completeOnboarding();
            }
        };
        m_onboardingWindow->show();
        return;
    }
    startListening();
}

void AppDelegate::startListening() {
    m_watchdog->requestAccessAndListen();
    m_watchdog->startAccessibilityWatchdog();
    // An audible sign that QUIB runs, whether or not input can be heard yet.
    later(1500ms, [](AppDelegate& self) {
        if (!self.isPaused()) {
            self.m_soundPlayer->playKeyClick();
        }
    });
}

void AppDelegate::completeOnboarding() {
    m_services.preferences.setBool(settings::onboardingComplete, true);
    // The window closes itself; it may still be running the handler that got
    // us here, so it is released from the main queue.
    later(0ms, [](AppDelegate& self) { self.m_onboardingWindow.reset(); });
    startListening();
}

void AppDelegate::applicationWillTerminate() {
    if (!m_gameStats) {
        return;
    }
    m_rewardSpinner.reset();  // a reward window still shown goes and restores the switch
    m_gameStats->flushNow();  // before the tap goes: nothing counted is lost
    m_capture->stopEventTap();
    m_watchdog.reset();
}

void AppDelegate::statusItemClicked() {
    m_popoverPanel->toggle();
}

bool AppDelegate::isEnabled() const {
    return m_capture ? m_capture->isEnabled() : true;
}

bool AppDelegate::hasPermission() const {
    return m_watchdog && m_watchdog->hasPermission();
}

bool AppDelegate::isListening() const {
    return m_capture && m_capture->hasEventTap();
}

bool AppDelegate::isPaused() const {
    return m_capture && m_capture->isPaused();
}

void AppDelegate::setEnabled(bool enabled) {
    m_capture->setEnabled(enabled);
}

void AppDelegate::refreshPanelData() {
    if (!m_popoverPanel) {
        return;  // a pack restored at launch is ready before the panel is made
    }
    m_popoverPanel->setPacks(m_packController->packs(), m_packController->chosenKeyPack());
    m_popoverPanel->setSoundsData(m_soundPlayer->keyProfile(), m_soundPlayer->mouseProfile(),
                                  m_soundPlayer->keyVolume(), m_soundPlayer->mouseVolume(),
                                  *m_gameStats);
    m_popoverPanel->setStatsData(*m_gameStats);
    m_popoverPanel->setShopData(*m_gameStats);
    refreshFocusData();
    m_popoverPanel->updateEnabledState(userEnabled());
    m_quietController->refreshMuteNote();  // the speakers may have changed
}

void AppDelegate::refreshFocusData() {
    m_popoverPanel->setFocusData(m_ambientEngine->activeSounds(), m_ambientEngine->currentTrack(),
                                 m_ambientEngine->isPlaying(), m_ambientEngine->volume(),
                                 *m_gameStats);
}

void AppDelegate::later(std::chrono::milliseconds delay, std::function<void(AppDelegate&)> task) {
    std::weak_ptr<char> alive = m_alive;
    m_services.mainQueue.postDelayed(delay, [this, alive, task = std::move(task)] {
        if (!alive.expired()) {
            task(*this);
        }
    });
}

}  // namespace quib
