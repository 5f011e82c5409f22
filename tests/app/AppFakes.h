#pragma once

#include <QCoreApplication>

#include "app/AppDelegate.h"
#include "support/InputFakes.h"

namespace quib::test {

struct Notification {
    std::string title;
    std::string body;
    std::string identifier;
};

class FakeNotifications final : public NotificationCenter {
  public:
    void post(const std::string& title, const std::string& body,
              const std::string& identifier) override {
        posted.push_back({title, body, identifier});
    }
    void postSilently(const std::string& title, const std::string& body,
                      const std::string& identifier) override {
        posted.push_back({title, body, identifier});
        ++silent;
    }
    std::vector<Notification> posted;
    int silent = 0;
};

class FakeStatusItem final : public StatusItemView {
  public:
    void setDimmed(bool value) override { dimmed = value; }
    void setPaused(bool value) override { paused = value; }
    void setMuteNote(MuteNote value) override { muteNote = value; }
    bool dimmed = false;
    bool paused = false;
    MuteNote muteNote = MuteNote::none;
};

class FakeSession final : public SessionMonitor {
  public:
    bool isLocked() const override { return locked; }
    void lock(bool value) {
        locked = value;
        onLockChanged(value);
    }
    bool locked = false;
};

class FakeRecording final : public RecordingWatcher {
  public:
    bool isRecording() const override { return recording; }
    void set(bool value) {
        recording = value;
        onRecordingChanged(value);
    }
    bool recording = false;
};

class FakeActiveWindow final : public ActiveWindowWatcher {
  public:
    bool isAvailable() const override { return true; }
    ActiveWindow activeWindow() const override { return window; }
    void set(ActiveWindow value) {
        window = std::move(value);
        onActiveWindowChanged();
    }
    ActiveWindow window;
};

class FakePanel final : public PanelView {
  public:
    void setDelegate(PopoverPanelDelegate* value) override { delegate = value; }
    void toggle() override { calls.push_back("toggle"); }
    void show() override { calls.push_back("show"); }
    void dismiss() override { calls.push_back("dismiss"); }
    void forceRebuild() override { calls.push_back("forceRebuild"); }
    bool isVisible() const override { return false; }
    void updateEnabledState(bool value) override {
        enabled = value;
        calls.push_back("updateEnabledState");
    }
    void setSoundsData(std::optional<SoundProfile> key, std::optional<SoundProfile> mouse,
                       float keyVolume, float mouseVolume, const GameStats&) override {
        keyProfile = key;
        mouseProfile = mouse;
        volumes = {keyVolume, mouseVolume};
        calls.push_back("setSoundsData");
    }
    void setPacks(const std::vector<PackInfo>& list, const std::string& selected) override {
        packs = list;
        selectedPack = selected;
    }
    void setStatsData(const GameStats&) override { calls.push_back("setStatsData"); }
    void setShopData(const GameStats&) override { calls.push_back("setShopData"); }
    void setFocusData(const std::set<AmbientSound>& sounds, std::optional<MusicTrack> track, bool,
                      float, const GameStats&) override {
        activeSounds = sounds;
        currentTrack = track;
        calls.push_back("setFocusData");
    }
    void globalPress() override { ++globalPresses; }
    void setPressFeedProbe(std::function<bool()> isRunning) override {
        pressFeedRunning = std::move(isRunning);
    }
    void setClaimSuspended(bool suspended) override { claimSuspended = suspended; }

    PopoverPanelDelegate* delegate = nullptr;
    std::vector<std::string> calls;
    std::optional<SoundProfile> keyProfile;
    std::optional<SoundProfile> mouseProfile;
    std::vector<PackInfo> packs;
    std::string selectedPack;
    std::pair<float, float> volumes;
    std::set<AmbientSound> activeSounds;
    std::optional<MusicTrack> currentTrack;
    bool enabled = true;
    int globalPresses = 0;
    std::function<bool()> pressFeedRunning;
    bool claimSuspended = false;
};

class FakeSpinner final : public RewardSpinnerView {
  public:
    void show(const std::vector<std::string>& names, const std::string& won,
              RewardType kind) override {
        candidates = names;
        winner = won;
        type = kind;
    }
    std::vector<std::string> candidates;
    std::string winner;
    RewardType type = RewardType::keyboard;
};

class FakeOnboarding final : public OnboardingView {
  public:
    void show() override { shown = true; }
    bool shown = false;
};

// Qt timers (the permission poll and watchdog) need an application object.
inline void ensureQtApplication() {
    static int argc = 1;
    static char name[] = "app_test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        new QCoreApplication(argc, argv);
    }
}

}  // namespace quib::test
