#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "ambient/AmbientEngine.h"
#include "app/AccessWatchdog.h"
#include "app/InputCapture.h"
#include "app/MuteChord.h"
#include "app/PanelInterfaces.h"
#include "app/QuietRules.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/RandomSource.h"
#include "platform/audio/AudioEngine.h"
#include "platform/audio/RecordingWatcher.h"
#include "platform/input/PermissionService.h"
#include "platform/notify/ActiveWindowWatcher.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/notify/SessionMonitor.h"
#include "platform/prefs/Preferences.h"
#include "progression/GameStats.h"
#include "sound/SoundPlayer.h"

namespace quib {

// Everything the controller uses of the platform, chosen by main() (or by a
// test, with fakes).
struct AppServices {
    Preferences& preferences;
    MainQueue& mainQueue;
    const Clock& clock;
    RandomSource& random;
    AudioEngine& audio;
    NotificationCenter& notifications;
    StatusItemView& statusItem;
    PermissionService& permission;
    SessionMonitor& session;
    RecordingWatcher& recording;
    ActiveWindowWatcher& activeWindow;
    InputSourceFactory inputSources;
    std::function<std::unique_ptr<PanelView>()> makePanel;
    std::function<std::unique_ptr<RewardSpinnerView>()> makeSpinner;
    std::function<std::unique_ptr<OnboardingView>()> makeOnboarding;
    std::function<void()> terminate;        // ends the event loop, then applicationWillTerminate
    std::function<void()> checkForUpdates;  // may do nothing
    AccessWatchdog::Intervals intervals{};
    // Where the sound packs live (<data dir>/packs); set by main().
    std::filesystem::path dataDirectory{};
};

class PackLoader;
class PackWatch;

// The application's only controller: creates and owns the model objects,
// restores the settings, wires the store's callbacks to the celebrations,
// routes the panel's actions and decides between onboarding and listening.
// Main thread only.
class AppDelegate final : public PopoverPanelDelegate, private InputCounter, private ClickSounds {
  public:
    explicit AppDelegate(AppServices services);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    void statusItemClicked();
    // A command changed the stored settings (`quib set`): the options are
    // read again and followed at once.
    void reloadSettings();

    bool isEnabled() const;
    bool hasPermission() const;
    bool isListening() const;  // an input source is held
    // Paused because the screen is locked: nothing is heard or counted.
    bool isPaused() const;
    GameStats& gameStats() { return *m_gameStats; }
    SoundPlayer& soundPlayer() { return *m_soundPlayer; }
    AmbientEngine& ambientEngine() { return *m_ambientEngine; }
    PanelView& popoverPanel() { return *m_popoverPanel; }
    bool isOnboarding() const { return m_onboardingWindow != nullptr; }
    bool isShowingReward() const { return m_rewardSpinner != nullptr; }

    // PopoverPanelDelegate
    void panelDidToggleEnabled(bool enabled) override;
    void panelDidSelectKeyProfile(std::optional<SoundProfile> profile) override;
    void panelDidSelectMouseProfile(std::optional<SoundProfile> profile) override;
    void panelDidSelectKeyPack(const std::string& id) override;
    void panelDidChangeKeyVolume(float volume) override;
    void panelDidChangeMouseVolume(float volume) override;
    void panelDidRequestTestSound() override;
    void panelDidRequestClaimReward() override;
    void panelDidSelectTheme(AppTheme theme) override;
    void panelDidSelectAmbientSound(std::optional<AmbientSound> sound) override;
    void panelDidChangeAmbientVolume(float volume) override;
    void panelDidSelectTrack(std::optional<MusicTrack> track) override;
    void panelDidRequestPurchaseTrack(MusicTrack track) override;
    void panelDidRequestQuit() override;
    void panelDidRequestCheckForUpdates() override;

  private:
    // InputCounter and ClickSounds: the input dispatch reaches the store and
    // the click player through these.
    void recordKeystroke() override { m_gameStats->recordKeystroke(); }
    void recordClick() override { m_gameStats->recordClick(); }
    bool keyEnabled() const override { return m_soundPlayer->keyEnabled(); }
    void playKeyPress(std::uint16_t code) override { m_soundPlayer->playKeyPress(code); }
    void playKeyRelease(std::uint16_t code) override { m_soundPlayer->playKeyRelease(code); }
    bool mouseEnabled() const override { return m_soundPlayer->mouseEnabled(); }
    void playMouseClick() override { m_soundPlayer->playMouseClick(); }

    // Settings.cpp
    std::optional<SoundProfile> restoreProfile(const char* key, bool keyboard) const;
    void restoreFocusAudio();
    void restoreVolumesAndSwitch();
    void applyOptions();
    void save();
    void saveAmbient();
    void saveTheme(AppTheme theme);

    // Quiet.cpp
    void followQuietConditions();
    void updateQuiet();
    MuteNote muteNote() const;
    void refreshMuteNote();
    bool followChord(const InputEvent& event);
    void toggleMuteByChord();
    void noteMuteByChord(bool mute);

    // KeyPacks.cpp
    void restoreKeyPack();
    void followStoredKeySound();
    std::string chosenKeyPack() const;
    void loadKeyPack(const std::string& id, std::function<void(AppDelegate&)> then = {});
    void cancelKeyPackLoad();
    void fallBackFromKeyPack(const std::string& id, const std::string& problem);
    void checkKeyPackSoon();
    void refreshPacks();

    // SessionEvents.cpp
    void followSession();
    void setScreenLocked(bool locked);
    void prepareForSleep();
    void resumeFromSleep();

    // Celebrations.cpp
    void handleAchievementUnlocked(const Achievement& achievement);
    void handleLevelUp(std::int64_t level, std::int64_t coinsEarned);
    void handleProfileUnlocked(SoundProfile profile);

    // RewardClaim.cpp
    void showReward(const GameStats::Claim& claim);
    void endReward();
    void previewReward(const std::string& name, RewardType type);
    void applyReward(const std::string& name, RewardType type);

    void refreshPanelData();
    void refreshFocusData();
    void completeOnboarding();
    void startListening();
    void setEnabled(bool enabled);
    // The master switch as the user set it: while a reward window mutes the
    // capture, the choice it will restore, which is also what is stored.
    bool userEnabled() const { return m_switchDuringReward.value_or(isEnabled()); }
    // Runs task on the main queue after delay, unless the controller is gone by then.
    void later(std::chrono::milliseconds delay, std::function<void(AppDelegate&)> task);

    AppServices m_services;
    std::shared_ptr<char> m_alive = std::make_shared<char>();
    std::optional<bool> m_switchDuringReward;  // set while a reward window is shown
    QuietOptions m_quietOptions;
    QuietReason m_quiet = QuietReason::none;
    ChordKey m_chordKey = ChordKey::scrollLock;
    MuteChord m_chord;
    // Declared in dependency order, so that destruction stops the windows,
    // the watchdog and the input capture before the models they call.
    std::unique_ptr<GameStats> m_gameStats;
    std::unique_ptr<SoundPlayer> m_soundPlayer;
    std::unique_ptr<AmbientEngine> m_ambientEngine;
    std::unique_ptr<InputCapture> m_capture;
    std::unique_ptr<AccessWatchdog> m_watchdog;
    std::unique_ptr<PanelView> m_popoverPanel;
    std::unique_ptr<RewardSpinnerView> m_rewardSpinner;
    std::unique_ptr<OnboardingView> m_onboardingWindow;
    std::vector<PackInfo> m_packs;           // as last listed, for the panel
    std::unique_ptr<PackWatch> m_packWatch;  // the folder of the pack that plays
    bool m_packCheckPending = false;
    // Last: destroyed first, so that no load ends into a controller half gone.
    std::unique_ptr<PackLoader> m_packLoader;
};

// The stored form of a channel's profile: its name, or "off".
std::string profileSetting(std::optional<SoundProfile> profile);

}  // namespace quib
