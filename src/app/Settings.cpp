// Settings: written at the moment they change, read once at launch. Stored
// values are applied as read; the audio engine sanitises volumes itself.
#include "app/AppDelegate.h"
#include "options/Options.h"
#include "options/SettingsKeys.h"

namespace quib {

std::optional<SoundProfile> AppDelegate::restoreProfile(const char* key, bool keyboard) const {
    const auto stored = m_services.preferences.stringValue(key);
    if (!stored) {
        return SoundProfile::iphone;
    }
    if (*stored == settings::off) {
        return std::nullopt;
    }
    const auto profile = soundProfileFromRawValue(*stored);
    if (!profile) {
        return std::nullopt;  // a name that matches nothing switches the channel off
    }
    const bool unlocked = keyboard ? m_gameStats->isKeyProfileUnlocked(*profile)
                                   : m_gameStats->isMouseProfileUnlocked(*profile);
    return unlocked ? *profile : SoundProfile::iphone;
}

void AppDelegate::restoreFocusAudio() {
    auto& prefs = m_services.preferences;
    if (const auto volume = prefs.floatValue(settings::ambientVolume)) {
        m_ambientEngine->setVolume(static_cast<float>(*volume));
    }
    if (const auto sounds = prefs.stringListValue(settings::ambientSounds)) {
        for (const auto& name : *sounds) {
            if (const auto sound = ambientSoundFromRawValue(name)) {
                m_ambientEngine->play(*sound);
            }
        }
    } else if (const auto name = prefs.stringValue(settings::legacyAmbientSound)) {
        if (const auto sound = ambientSoundFromRawValue(*name)) {
            m_ambientEngine->play(*sound);
        }
    }
    if (const auto name = prefs.stringValue(settings::activeTrack)) {
        const auto track = musicTrackFromRawValue(*name);
        if (track && m_gameStats->isTrackUnlocked(*track)) {
            m_ambientEngine->playTrack(*track);
        }
    }
}

void AppDelegate::restoreVolumesAndSwitch() {
    auto& prefs = m_services.preferences;
    if (const auto keyVolume = prefs.floatValue(settings::keyVolume)) {
        m_soundPlayer->setKeyVolume(static_cast<float>(*keyVolume));
        m_soundPlayer->setMouseVolume(
            static_cast<float>(prefs.floatValue(settings::mouseVolume).value_or(0.0)));
    } else if (const auto volume = prefs.floatValue(settings::legacyVolume)) {
        m_soundPlayer->setVolume(static_cast<float>(*volume));
    }
    if (const auto enabled = prefs.boolValue(settings::enabled)) {
        setEnabled(*enabled);
    }
}

// The options of `quib set`, read at launch and whenever a command changed them.
void AppDelegate::applyOptions() {
    const Preferences& prefs = m_services.preferences;
    m_soundPlayer->setReleaseSounds(onOffOption(prefs, option::releaseSounds));
    m_soundPlayer->setStereoWidth(static_cast<float>(numberOption(prefs, option::stereoWidth)));
    m_packController->setMatchLoudness(choiceOption(prefs, option::packLoudness) != "original");
    m_quietController->setOptions(
        chordKeyFromRawValue(choiceOption(prefs, option::muteChord)).value_or(ChordKey::scrollLock),
        {onOffOption(prefs, option::muteDuringCalls), onOffOption(prefs, option::muteInFullscreen),
         applicationNames(listOption(prefs, option::muteInApps))});
}

void AppDelegate::reloadSettings() {
    if (m_soundPlayer) {
        applyOptions();
        m_packController->followStoredKeySound();
    }
}

std::string profileSetting(std::optional<SoundProfile> profile) {
    return profile ? std::string(rawValue(*profile)) : std::string(settings::off);
}

void AppDelegate::save() {
    auto& prefs = m_services.preferences;
    Preferences::Transaction transaction(prefs);
    prefs.setFloat(settings::keyVolume, m_soundPlayer->keyVolume());
    prefs.setFloat(settings::mouseVolume, m_soundPlayer->mouseVolume());
    prefs.setBool(settings::enabled, userEnabled());
    // A pack that plays keeps the built-in profile chosen before it stored.
    if (const std::string pack = m_packController->chosenKeyPack(); !pack.empty()) {
        prefs.setString(settings::keyPack, pack);
    } else {
        prefs.remove(settings::keyPack);
        prefs.setString(settings::keyProfile, profileSetting(m_soundPlayer->keyProfile()));
    }
    prefs.setString(settings::mouseProfile, profileSetting(m_soundPlayer->mouseProfile()));
}

void AppDelegate::saveAmbient() {
    auto& prefs = m_services.preferences;
    std::vector<std::string> sounds;
    for (AmbientSound sound : m_ambientEngine->activeSounds()) {
        sounds.emplace_back(rawValue(sound));
    }
    Preferences::Transaction transaction(prefs);
    prefs.setFloat(settings::ambientVolume, m_ambientEngine->volume());
    prefs.setStringList(settings::ambientSounds, sounds);
    if (const auto track = m_ambientEngine->currentTrack()) {
        prefs.setString(settings::activeTrack, rawValue(*track));
    } else {
        prefs.remove(settings::activeTrack);
    }
}

void AppDelegate::saveTheme(AppTheme theme) {
    m_gameStats->setActiveTheme(theme);
    m_services.preferences.setString(settings::activeTheme, rawValue(theme));
}

}  // namespace quib
