// The keyboard's sound pack: restored at launch, followed when a command
// changed it, chosen from the panel, and given up when it breaks.
#include <algorithm>

#include "app/AppDelegate.h"
#include "app/PackController.h"
#include "app/PackWatch.h"
#include "options/SettingsKeys.h"
#include "platform/Log.h"
#include "sound/packs/PackLoader.h"
#include "sound/packs/PackStore.h"

namespace quib {

using namespace std::chrono_literals;

PackController::PackController(AppServices& services, SoundPlayer& soundPlayer, FeatureHost& host)
    : m_services(services), m_soundPlayer(&soundPlayer), m_host(host) {}

PackController::~PackController() = default;

// The pack the keyboard plays, or the one it will play once it is loaded.
std::string PackController::chosenKeyPack() const {
    return m_packLoader && m_packLoader->isLoading() ? m_packLoader->loadingId()
                                                     : m_soundPlayer->keyPack();
}

void PackController::restoreKeyPack() {
    refreshPacks();
    if (const auto id = m_services.preferences.stringValue(settings::keyPack)) {
        loadKeyPack(*id);  // a broken one stores the fallback: it is not tried at every start
    }
}

// A command changed the stored choice (`quib packs use` or `remove`), or a
// pack was imported: the keyboard follows what is stored now.
void PackController::followStoredKeySound() {
    refreshPacks();
    const auto stored = m_services.preferences.stringValue(settings::keyPack);
    if (stored && *stored != chosenKeyPack()) {
        loadKeyPack(*stored);
    } else if (!stored && !chosenKeyPack().empty()) {
        cancelKeyPackLoad();
        m_packWatch.reset();
        m_soundPlayer->setKeyProfile(restoreProfile(settings::keyProfile, true));
    }
    refreshPanelData();
}

// Starts loading the pack on the worker; the keyboard keeps its sound until
// the pack is ready, then plays it (and `then` runs). A pack that cannot be
// loaded leaves the default profile playing, with one log line, and the
// fallback is stored.
void PackController::loadKeyPack(const std::string& id, std::function<void(PackController&)> then) {
    const auto directory = packDirectory(m_services.dataDirectory, id);
    if (!directory) {
        cancelKeyPackLoad();
        fallBackFromKeyPack(id,
                            "no such pack in " + packsDirectory(m_services.dataDirectory).string());
        save();
        refreshPanelData();
        return;
    }
    if (!m_packLoader) {
        m_packLoader =
            std::make_unique<PackLoader>([&queue = m_services.mainQueue](PackLoader::Task task) {
                queue.post(std::move(task));
            });
    }
    std::weak_ptr<char> alive = m_alive;
    m_packLoader->load(id, *directory, m_matchLoudness,
                       [this, alive, directory = *directory, then = std::move(then)](
                           const std::string& loaded, PackLoad load) {
                           if (alive.expired()) {
                               return;
                           }
                           if (!load.sounds) {
                               fallBackFromKeyPack(loaded, load.problem);
                           } else {
                               m_soundPlayer->setKeyPack(loaded, std::move(*load.sounds));
                               m_packWatch = std::make_unique<PackWatch>(
                                   directory, [this] { checkKeyPackSoon(); });
                           }
                           save();
                           refreshPacks();
                           refreshPanelData();
                           if (then && load.sounds) {
                               then(*this);
                           }
                       });
}

void PackController::cancelKeyPackLoad() {
    if (m_packLoader) {
        m_packLoader->cancel();
    }
}

void PackController::fallBackFromKeyPack(const std::string& id, const std::string& problem) {
    logLine("Sound pack '" + id + "' cannot be used (" + printableText(problem) +
                "); the keyboard plays ",
            settings::defaultProfile);
    m_packWatch.reset();
    m_soundPlayer->setKeyProfile(SoundProfile::iphone);
}

// The files of the pack that plays changed: once they settle, the pack is
// loaded again on the worker (it may have been imported anew); one that no
// longer loads is given up.
void PackController::checkKeyPackSoon() {
    if (m_packCheckPending) {
        return;
    }
    m_packCheckPending = true;
    later(200ms, [](PackController& self) {
        self.m_packCheckPending = false;
        const std::string id = self.m_soundPlayer->keyPack();
        if (id.empty() || self.chosenKeyPack() != id) {
            return;  // another pack is on its way
        }
        self.loadKeyPack(id);  // gives way by itself when the pack no longer loads
    });
}

void PackController::setMatchLoudness(bool match) {
    if (match == m_matchLoudness) {
        return;
    }
    m_matchLoudness = match;
    if (const std::string id = chosenKeyPack(); !id.empty()) {
        loadKeyPack(id);
    }
}

void PackController::refreshPacks() {
    m_packs = listPacks(m_services.dataDirectory);
}

void PackController::stopWatching() {
    cancelKeyPackLoad();
    m_packWatch.reset();
}

void PackController::selectKeyPack(const std::string& id) {
    const auto known = std::find_if(m_packs.begin(), m_packs.end(),
                                    [&id](const PackInfo& pack) { return pack.id == id; });
    if (known == m_packs.end() || !known->valid) {
        return;  // a broken pack cannot be chosen
    }
    loadKeyPack(id, [](PackController& self) { self.m_soundPlayer->playKeyClick(); });
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
