#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/PanelInterfaces.h"
#include "platform/prefs/SqlitePreferences.h"
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace quib::test {

// A progression store on a real SQLite file, as the panel gets it.
class TestStore {
  public:
    TestStore() { reopen(); }

    // Reads everything back from the file, as a restart does.
    void reopen() {
        stats.reset();
        preferences.reset();
        preferences = SqlitePreferences::open(dir.path(), SqlitePreferences::Mode::readWrite).store;
        stats = std::make_unique<GameStats>(*preferences, queue, clock, random);
    }

    void setCoins(std::int64_t coins) {
        preferences->setInteger(keys::coins, coins);
        reopen();
    }

    TempDir dir;
    FakeClock clock;
    ManualQueue queue;
    ScriptedRandom random;
    std::unique_ptr<SqlitePreferences> preferences;
    std::unique_ptr<GameStats> stats;
};

// Writes every operation the panel reports, with its argument, in order.
class RecordingDelegate final : public PopoverPanelDelegate {
  public:
    void panelDidToggleEnabled(bool enabled) override { add("toggle", enabled ? "on" : "off"); }
    void panelDidSelectKeyProfile(std::optional<SoundProfile> p) override { add("key", name(p)); }
    void panelDidSelectMouseProfile(std::optional<SoundProfile> p) override {
        add("mouse", name(p));
    }
    void panelDidChangeKeyVolume(float) override { add("keyVolume"); }
    void panelDidChangeMouseVolume(float) override { add("mouseVolume"); }
    void panelDidRequestTestSound() override { add("test"); }
    void panelDidRequestClaimReward() override { add("claim"); }
    void panelDidSelectTheme(AppTheme theme) override { add("theme", rawValue(theme)); }
    void panelDidSelectAmbientSound(std::optional<AmbientSound>) override { add("ambient"); }
    void panelDidChangeAmbientVolume(float) override { add("ambientVolume"); }
    void panelDidSelectTrack(std::optional<MusicTrack>) override { add("track"); }
    void panelDidRequestPurchaseTrack(MusicTrack) override { add("purchase"); }
    void panelDidRequestQuit() override { add("quit"); }
    void panelDidRequestCheckForUpdates() override { add("updates"); }

    std::vector<std::string> calls;

  private:
    static std::string name(std::optional<SoundProfile> profile) {
        return profile ? std::string(rawValue(*profile)) : "off";
    }
    void add(const char* what, std::string_view argument = {}) {
        calls.push_back(argument.empty() ? what : std::string(what) + ":" + std::string(argument));
    }
};

// The colour drawn at a point of a widget (in its own coordinates).
inline QRgb pixelAt(QWidget* widget, int x, int y) {
    return widget->grab().toImage().pixel(x, y);
}

}  // namespace quib::test
