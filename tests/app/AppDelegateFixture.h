#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/AppFakes.h"
#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/FakeAudioEngine.h"
#include "platform/prefs/SqlitePreferences.h"
#include "sound/SoundProfile.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace quib::test {

// The controller on a real SQLite file, with fakes for every window and
// platform service; sound files exist (empty) so that the pools build.
class AppDelegateFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureQtApplication();
        for (SoundProfile profile : allSoundProfiles()) {
            touch(resources.file("Sounds", std::string(keyFile(profile)) + ".wav"));
            touch(resources.file("Sounds", std::string(mouseFile(profile)) + ".wav"));
            if (const auto strokes = keyStrokeFiles(profile)) {
                touch(resources.file("Sounds", strokes->press + ".wav"));
                touch(resources.file("Sounds", strokes->release + ".wav"));
            }
        }
        preferences = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
    }

    void TearDown() override {
        delegate.reset();
        queue.drain();
    }

    static void touch(const std::filesystem::path& path) { std::ofstream(path) << "RIFF"; }

    AppDelegate& launch() {
        AppServices services{appPreferences != nullptr ? *appPreferences : *preferences,
                             queue,
                             clock,
                             random,
                             audio,
                             notifications,
                             statusItem,
                             permission,
                             session,
                             recording,
                             activeWindow,
                             sources.factory(),
                             [this] {
                                 auto made = std::make_unique<FakePanel>();
                                 panel = made.get();
                                 return made;
                             },
                             [this]() -> std::unique_ptr<RewardSpinnerView> {
                                 if (makeSpinner) {
                                     return makeSpinner();
                                 }
                                 auto made = std::make_unique<FakeSpinner>();
                                 spinner = made.get();
                                 return made;
                             },
                             [this]() -> std::unique_ptr<OnboardingView> {
                                 if (makeOnboarding) {
                                     return makeOnboarding();
                                 }
                                 auto made = std::make_unique<FakeOnboarding>();
                                 onboarding = made.get();
                                 return made;
                             },
                             [this] { ++terminations; },
                             nullptr,
                             intervals};
        services.dataDirectory = dir.path();
        delegate = std::make_unique<AppDelegate>(std::move(services));
        delegate->applicationDidFinishLaunching();
        return *delegate;
    }

    void completeOnboardingBefore() { preferences->setBool("onboardingComplete", true); }

    // Plays on a pool's players among the engine calls from `from` on.
    int playsOn(const std::vector<PlayerHandle>& pool, std::size_t from = 0) const {
        int plays = 0;
        for (std::size_t i = from; i < audio.calls.size(); ++i) {
            const auto& call = audio.calls[i];
            const bool inPool = std::any_of(pool.begin(), pool.end(), [&](PlayerHandle handle) {
                return handle.index == call.player;
            });
            const bool play = call.operation == "play" || call.operation == "playClip";
            plays += play && inPool ? 1 : 0;
        }
        return plays;
    }
    int keyPlays(std::size_t from = 0) const {
        return playsOn(delegate->soundPlayer().keyPlayers(), from);
    }
    int mousePlays(std::size_t from = 0) const {
        return playsOn(delegate->soundPlayer().mousePlayers(), from);
    }
    // Plays on any player, also on pools released since.
    int plays(std::size_t from = 0) const {
        return static_cast<int>(
            std::count_if(audio.calls.begin() + static_cast<std::ptrdiff_t>(from),
                          audio.calls.end(), [](const auto& call) {
                              return call.operation == "play" || call.operation == "playClip";
                          }));
    }
    std::size_t mark() const { return audio.calls.size(); }

    TempDir dir;
    ResourceDirectory resources;
    std::unique_ptr<SqlitePreferences> preferences;
    Preferences* appPreferences = nullptr;  // what the controller is given, if not `preferences`
    ManualQueue queue;
    FakeClock clock;
    ScriptedRandom random;
    FakeAudioEngine audio;
    FakeNotifications notifications;
    FakeStatusItem statusItem;
    FakePermission permission;
    FakeSession session;
    FakeRecording recording;
    FakeActiveWindow activeWindow;
    InputSourceRegistry sources;
    FakePanel* panel = nullptr;
    FakeSpinner* spinner = nullptr;
    FakeOnboarding* onboarding = nullptr;
    // Real windows instead of the fakes, and quicker access polls, where a test sets them.
    std::function<std::unique_ptr<RewardSpinnerView>()> makeSpinner;
    std::function<std::unique_ptr<OnboardingView>()> makeOnboarding;
    AccessWatchdog::Intervals intervals{};
    int terminations = 0;
    std::unique_ptr<AppDelegate> delegate;
};

}  // namespace quib::test
