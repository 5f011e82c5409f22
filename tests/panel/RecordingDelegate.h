#pragma once

#include <string>
#include <vector>

#include "app/PanelInterfaces.h"

namespace quib::test {

// Writes every operation the panel reports, with its argument, in order.
class RecordingDelegate final : public PopoverPanelDelegate {
  public:
    void panelDidToggleEnabled(bool enabled) override { add("toggle", enabled ? "on" : "off"); }
    void panelDidSelectKeyProfile(std::optional<SoundProfile> p) override { add("key", name(p)); }
    void panelDidSelectMouseProfile(std::optional<SoundProfile> p) override {
        add("mouse", name(p));
    }
    void panelDidSelectKeyPack(const std::string& id) override { add("pack", id); }
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

}  // namespace quib::test
