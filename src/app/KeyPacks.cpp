// The keyboard's sound pack: restored at launch, followed when a command
// changed it, chosen from the panel, and given up when it breaks.
#include <algorithm>

#include "app/AppDelegate.h"
#include "app/PackController.h"
#include "app/PackWatch.h"
#include "options/SettingsKeys.h"
#include "platform/Log.h"
#include "sound/packs/PackStore.h"

namespace quib {

using namespace std::chrono_literals;

PackController::PackController(AppServices& services, SoundPlayer& soundPlayer, FeatureHost& host)
    : m_services(services), m_soundPlayer(&soundPlayer), m_host(host) {}

PackController::~PackController() = default;

void PackController::restoreKeyPack() {
    refreshPacks();
    if (const auto id = m_services.preferences.stringValue(settings::keyPack)) {
        if (!loadKeyPack(*id)) {
            save();  // the fallback is stored: the broken pack is not tried at every start
        }
    }
}

// A command changed the stored choice (`quib packs use` or `remove`), or a
// pack was imported: the keyboard follows what is stored now.
void PackController::followStoredKeySound() {
    refreshPacks();
    const auto stored = m_services.preferences.stringValue(settings::keyPack);
    if (stored && *stored != m_soundPlayer->keyPack()) {
        if (!loadKeyPack(*stored)) {
            save();
        }
    } else if (!stored && !m_soundPlayer->keyPack().empty()) {
        m_packWatch.reset();
        m_soundPlayer->setKeyProfile(restoreProfile(settings::keyProfile, true));
    }
    refreshPanelData();
}

// Loads the pack and makes it the keyboard's sound; a pack that cannot be
// loaded leaves the default profile playing, with one log line.
bool PackController::loadKeyPack(const std::string& id) {
    const auto directory = packDirectory(m_services.dataDirectory, id);
    PackLoad load =
        directory ? loadPack(planPack(*directory))
                  : PackLoad{std::nullopt, "no such pack in " +
                                               packsDirectory(m_services.dataDirectory).string()};
    if (!load.sounds) {
        fallBackFromKeyPack(id, load.problem);
        return false;
    }
    m_soundPlayer->setKeyPack(id, std::move(*load.sounds));
    m_packWatch = std::make_unique<PackWatch>(*directory, [this] { checkKeyPackSoon(); });
    return true;
}

void PackController::fallBackFromKeyPack(const std::string& id, const std::string& problem) {
    logLine("Sound pack '" + id + "' cannot be used (" + problem + "); the keyboard plays ",
            settings::defaultProfile);
    m_packWatch.reset();
    m_soundPlayer->setKeyProfile(SoundProfile::iphone);
}

// The files of the pack that plays changed: once they settle, a pack that
// still checks out is loaded again (it may have been imported anew), and one
// that does not is given up.
void PackController::checkKeyPackSoon() {
    if (m_packCheckPending) {
        return;
    }
    m_packCheckPending = true;
    later(200ms, [](PackController& self) {
        self.m_packCheckPending = false;
        const std::string id = self.m_soundPlayer->keyPack();
        if (id.empty()) {
            return;
        }
        const auto directory = packDirectory(self.m_services.dataDirectory, id);
        const PackPlan plan = directory ? planPack(*directory) : PackPlan{};
        if (plan.info.valid) {
            self.loadKeyPack(id);  // falls back by itself when a file no longer decodes
        } else {
            self.fallBackFromKeyPack(id, directory ? plan.info.problem : "its folder is gone");
        }
        self.save();
        self.refreshPacks();
        self.refreshPanelData();
    });
}

void PackController::refreshPacks() {
    m_packs = listPacks(m_services.dataDirectory);
}

void PackController::stopWatching() {
    m_packWatch.reset();
}

void PackController::selectKeyPack(const std::string& id) {
    const auto known = std::find_if(m_packs.begin(), m_packs.end(),
                                    [&id](const PackInfo& pack) { return pack.id == id; });
    if (known == m_packs.end() || !known->valid) {
        return;  // a broken pack cannot be chosen
    }
    if (loadKeyPack(id)) {
        m_soundPlayer->playKeyClick();
    }
    save();
    refreshPacks();
    refreshPanelData();
}

void PackController::later(std::chrono::milliseconds delay,
                           std::function<void(PackController&)> task) {
    std::weak_ptr<char> alive = m_alive;
    m_services.mainQueue.postDelayed(delay, [this, alive, task = std::move(task)] {
        if (!alive.expired()) {
            task(*this);
        }
    });
}

}  // namespace quib
