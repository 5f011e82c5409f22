#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FeatureHost.h"
#include "sound/SoundPlayer.h"
#include "sound/packs/SoundPack.h"

namespace quib {

struct AppServices;
class PackLoader;
class PackWatch;

// The keyboard's sound pack: restored at launch, followed when a command
// changed it, chosen from the panel, and given up when it breaks. Main
// thread only.
class PackController {
  public:
    PackController(AppServices& services, SoundPlayer& soundPlayer, FeatureHost& host);
    ~PackController();
    PackController(const PackController&) = delete;
    PackController& operator=(const PackController&) = delete;

    void restoreKeyPack();
    void followStoredKeySound();
    // Loads the pack on the worker and plays it once it is ready; until then
    // the keyboard keeps its sound.
    void loadKeyPack(const std::string& id, std::function<void(PackController&)> then = {});
    void selectKeyPack(const std::string& id);
    // The pack that plays, or the one on its way.
    std::string chosenKeyPack() const;
    // The pack's folder is no longer followed and a load on its way is
    // dropped (the keyboard stopped playing it).
    void stopWatching();
    // As last listed, for the panel.
    const std::vector<PackInfo>& packs() const { return m_packs; }
    // Packs play as loud as the built-in profiles (`quib set pack-loudness
    // match`), or as recorded; a pack that plays is loaded again at the new
    // level, and plays at the old one until then.
    void setMatchLoudness(bool match);

  private:
    void cancelKeyPackLoad();
    void fallBackFromKeyPack(const std::string& id, const std::string& problem);
    void checkKeyPackSoon();
    void refreshPacks();
    std::optional<SoundProfile> restoreProfile(const char* key, bool keyboard) const {
        return m_host.restoreProfile(key, keyboard);
    }
    void save() { m_host.save(); }
    void refreshPanelData() { m_host.refreshPanelData(); }
    // Runs task on the main queue after delay, unless the controller is gone by then.
    void later(std::chrono::milliseconds delay, std::function<void(PackController&)> task);

    AppServices& m_services;
    SoundPlayer* m_soundPlayer;  // never null
    FeatureHost& m_host;
    std::shared_ptr<char> m_alive = std::make_shared<char>();
    std::vector<PackInfo> m_packs;
    std::unique_ptr<PackWatch> m_packWatch;  // the folder of the pack that plays
    bool m_packCheckPending = false;
    bool m_matchLoudness = true;
    // Last: destroyed first, so that no load ends into a controller half gone.
    std::unique_ptr<PackLoader> m_packLoader;
};

}  // namespace quib
