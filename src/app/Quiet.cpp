// Quiet when it should be: the mute chord (the user's mute, the panel's two
// speakers), and the clicks silenced for now during a call, in full screen or
// in chosen applications, with counting going on all along.
#include "app/AppDelegate.h"
#include "app/PackController.h"
#include "app/QuietController.h"
#include "options/SettingsKeys.h"
#include "platform/Log.h"

namespace quib {

namespace {

std::string keyName(ChordKey key) {
    switch (key) {
        case ChordKey::scrollLock:
            return "Scroll Lock";
        case ChordKey::pause:
            return "Pause";
        case ChordKey::rightCtrl:
            return "Right Ctrl";
        case ChordKey::off:
            break;
    }
    return {};
}

const char* reasonText(QuietReason reason) {
    switch (reason) {
        case QuietReason::call:
            return "Clicks muted: a program records from a microphone";
        case QuietReason::fullScreen:
            return "Clicks muted: a window fills the screen";
        case QuietReason::application:
            return "Clicks muted: a chosen application is active";
        case QuietReason::none:
            break;
    }
    return "Clicks back";
}

}  // namespace

QuietController::QuietController(AppServices& services, SoundPlayer& soundPlayer,
                                 PackController& packController, FeatureHost& host)
    : m_services(services),
      m_soundPlayer(&soundPlayer),
      m_packController(packController),
      m_host(host) {}

void QuietController::setOptions(ChordKey chordKey, QuietOptions options) {
    m_chordKey = chordKey;
    m_chord.setKey(m_chordKey);
    m_quietOptions = std::move(options);
    updateQuiet();
}

void QuietController::followQuietConditions(InputCapture& capture) {
    m_capture = &capture;
    std::weak_ptr<char> alive = m_alive;
    const auto update = [this, alive] {
        if (!alive.expired()) {
            updateQuiet();
        }
    };
    m_services.recording.onRecordingChanged = [update](bool) { update(); };
    m_services.activeWindow.onActiveWindowChanged = update;
    m_capture->onKeyEvent = [this](const InputEvent& event) { return followChord(event); };
    updateQuiet();
}

// On the input path: no allocation, no logging, until the chord is recognised.
bool QuietController::followChord(const InputEvent& event) {
    if (event.type == InputEvent::Type::keyUp) {
        m_chord.keyUp(event.keyCode);
        return true;
    }
    const auto press = m_chord.keyDown(event.keyCode, m_services.clock.monotonicSeconds());
    if (press == MuteChord::Press::toggle && m_capture->isEnabled() && !m_capture->isPaused()) {
        toggleMuteByChord();
    }
    return press == MuteChord::Press::click;
}

void QuietController::updateQuiet() {
    const QuietReason reason = quietReason(m_quietOptions, m_services.recording.isRecording(),
                                           m_services.activeWindow.activeWindow());
    if (reason == m_quiet) {
        return;
    }
    m_quiet = reason;
    m_soundPlayer->setSilenced(reason != QuietReason::none);
    logLine(reasonText(reason));
    refreshMuteNote();
}

MuteNote QuietController::muteNote() const {
    if (!m_soundPlayer->keyEnabled() && !m_soundPlayer->mouseEnabled()) {
        return MuteNote::muted;
    }
    switch (m_quiet) {
        case QuietReason::call:
            return MuteNote::call;
        case QuietReason::fullScreen:
            return MuteNote::fullScreen;
        case QuietReason::application:
            return MuteNote::application;
        case QuietReason::none:
            break;
    }
    return MuteNote::none;
}

void QuietController::refreshMuteNote() {
    m_services.statusItem.setMuteNote(muteNote());
}

// Both channels off, as the panel's speakers turn them off; the profiles they
// had are kept, so that the chord brings back exactly what it silenced, also
// after a restart.
// On the key path: the channels change at once, and a pack is only asked
// of the worker; the store, the panel and the notification follow from the
// main queue, after the key is handled.
void QuietController::toggleMuteByChord() {
    const bool mute = m_soundPlayer->keyEnabled() || m_soundPlayer->mouseEnabled();
    if (mute) {
        const std::string pack = m_packController.chosenKeyPack();
        const std::string keyProfile = profileSetting(m_soundPlayer->keyProfile());
        const std::string mouseProfile = profileSetting(m_soundPlayer->mouseProfile());
        m_packController.stopWatching();
        m_soundPlayer->setKeyProfile(std::nullopt);
        m_soundPlayer->setMouseProfile(std::nullopt);
        later([pack, keyProfile, mouseProfile](QuietController& self) {
            auto& prefs = self.m_services.preferences;
            if (!pack.empty()) {
                prefs.setString(settings::keyPackBeforeMute, pack);
            } else {
                prefs.remove(settings::keyPackBeforeMute);
            }
            prefs.setString(settings::keyProfileBeforeMute, keyProfile);
            prefs.setString(settings::mouseProfileBeforeMute, mouseProfile);
            self.noteMuteByChord(true);
        });
        return;
    }
    auto& prefs = m_services.preferences;
    const auto pack = prefs.stringValue(settings::keyPackBeforeMute);
    auto key = restoreProfile(settings::keyProfileBeforeMute, true);
    auto mouse = restoreProfile(settings::mouseProfileBeforeMute, false);
    if (!pack && !key && !mouse) {
        // Muted in the panel, or nothing kept: both come back with the default.
        key = mouse = SoundProfile::iphone;
    }
    if (pack) {
        m_packController.loadKeyPack(*pack);  // one removed meanwhile falls back to the default
    } else {
        m_soundPlayer->setKeyProfile(key);
    }
    m_soundPlayer->setMouseProfile(mouse);
    later([](QuietController& self) {
        self.m_services.preferences.remove(settings::keyPackBeforeMute);
        self.noteMuteByChord(false);
    });
}

void QuietController::later(std::function<void(QuietController&)> task) {
    std::weak_ptr<char> alive = m_alive;
    m_services.mainQueue.post([this, alive, task = std::move(task)] {
        if (!alive.expired()) {
            task(*this);
        }
    });
}

void QuietController::noteMuteByChord(bool mute) {
    save();
    refreshPanelData();
    const std::string chord = keyName(m_chordKey) + " twice";
    if (mute) {
        m_services.notifications.postSilently(
            "CLICKS MUTED", "Counting goes on. " + chord + " brings them back.", "mute");
    } else {
        m_services.notifications.postSilently("CLICKS ON", chord + " mutes them again.", "mute");
    }
    logLine(mute ? "Mute chord: clicks muted" : "Mute chord: clicks on");
}

}  // namespace quib
