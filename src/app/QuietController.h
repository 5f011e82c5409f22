#pragma once

#include <functional>
#include <memory>

#include "app/FeatureHost.h"
#include "app/PanelInterfaces.h"
#include "app/QuietRules.h"
#include "input/MuteChord.h"
#include "platform/input/InputSource.h"
#include "sound/SoundPlayer.h"

namespace quib {

struct AppServices;
class InputCapture;
class PackController;

// Quiet when it should be: the mute chord (the user's mute, the panel's two
// speakers), and the clicks silenced for now during a call, in full screen or
// in chosen applications, with counting going on all along. Main thread only.
class QuietController {
  public:
    QuietController(AppServices& services, SoundPlayer& soundPlayer, PackController& packController,
                    FeatureHost& host);
    QuietController(const QuietController&) = delete;
    QuietController& operator=(const QuietController&) = delete;

    // The options that decide it: the chord's key and the quiet rules.
    void setOptions(ChordKey chordKey, QuietOptions options);
    // Follows the call watcher, the active window, and the chord on the
    // capture's key events.
    void followQuietConditions(InputCapture& capture);
    void refreshMuteNote();

  private:
    void updateQuiet();
    MuteNote muteNote() const;
    bool followChord(const InputEvent& event);
    void toggleMuteByChord();
    void noteMuteByChord(bool mute);
    // Runs task on the main queue once the key at hand is handled, unless the
    // controller is gone by then.
    void later(std::function<void(QuietController&)> task);
    std::optional<SoundProfile> restoreProfile(const char* key, bool keyboard) const {
        return m_host.restoreProfile(key, keyboard);
    }
    void save() { m_host.save(); }
    void refreshPanelData() { m_host.refreshPanelData(); }

    AppServices& m_services;
    SoundPlayer* m_soundPlayer;  // never null
    PackController& m_packController;
    FeatureHost& m_host;
    InputCapture* m_capture = nullptr;  // set once the conditions are followed
    std::shared_ptr<char> m_alive = std::make_shared<char>();
    QuietOptions m_quietOptions;
    QuietReason m_quiet = QuietReason::none;
    ChordKey m_chordKey = ChordKey::scrollLock;
    MuteChord m_chord;
};

}  // namespace quib
