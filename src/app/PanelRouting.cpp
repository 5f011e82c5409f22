// What the controller does for each action of the panel.
#include "app/AppDelegate.h"

namespace quib {

using namespace std::chrono_literals;

void AppDelegate::panelDidToggleEnabled(bool enabled) {
    if (m_switchDuringReward) {
        m_switchDuringReward = enabled;  // takes effect when the reward window goes
    } else {
        setEnabled(enabled);
    }
    m_services.statusItem.setDimmed(!enabled);
    if (!enabled) {
        m_ambientEngine->stop();
    }
    save();
}

void AppDelegate::panelDidSelectKeyProfile(std::optional<SoundProfile> profile) {
    if (profile && !m_gameStats->isKeyProfileUnlocked(*profile)) {
        return;
    }
    m_soundPlayer->setKeyProfile(profile);
    if (profile) {
        m_soundPlayer->playKeyClick();
    }
    save();
    refreshPanelData();
}

void AppDelegate::panelDidSelectKeyPack(const std::string& id) {
    m_packController->selectKeyPack(id);
}

void AppDelegate::panelDidSelectMouseProfile(std::optional<SoundProfile> profile) {
    if (profile && !m_gameStats->isMouseProfileUnlocked(*profile)) {
        return;
    }
    m_soundPlayer->setMouseProfile(profile);
    if (profile) {
        m_soundPlayer->playMouseClick();
    }
    save();
    refreshPanelData();
}

void AppDelegate::panelDidChangeKeyVolume(float volume) {
    m_soundPlayer->setKeyVolume(volume);
    save();
}

void AppDelegate::panelDidChangeMouseVolume(float volume) {
    m_soundPlayer->setMouseVolume(volume);
    save();
}

void AppDelegate::panelDidRequestTestSound() {
    m_soundPlayer->playKeyClick();
    later(300ms, [](AppDelegate& self) { self.m_soundPlayer->playMouseClick(); });
}

void AppDelegate::panelDidSelectTheme(AppTheme theme) {
    if (!m_gameStats->isThemeUnlocked(theme)) {
        return;
    }
    saveTheme(theme);
    m_popoverPanel->forceRebuild();
    refreshPanelData();
    m_popoverPanel->show();
}

void AppDelegate::panelDidSelectAmbientSound(std::optional<AmbientSound> sound) {
    if (sound) {
        m_ambientEngine->toggle(*sound);
    } else {
        m_ambientEngine->stopAmbientOnly();
    }
    saveAmbient();
    refreshFocusData();
}

void AppDelegate::panelDidChangeAmbientVolume(float volume) {
    m_ambientEngine->setVolume(volume);
    saveAmbient();
}

void AppDelegate::panelDidSelectTrack(std::optional<MusicTrack> track) {
    if (track) {
        m_ambientEngine->toggleTrack(*track);
    } else {
        m_ambientEngine->stopTrack();
    }
    saveAmbient();
    refreshFocusData();
}

void AppDelegate::panelDidRequestPurchaseTrack(MusicTrack track) {
    if (!m_gameStats->purchaseTrack(track)) {
        return;
    }
    m_ambientEngine->playTrack(track);
    saveAmbient();
    refreshPanelData();
}

void AppDelegate::panelDidRequestQuit() {
    m_ambientEngine->stop();
    m_services.terminate();
}

void AppDelegate::panelDidRequestCheckForUpdates() {
    if (m_services.checkForUpdates) {
        m_services.checkForUpdates();
    }
}

}  // namespace quib
