#pragma once

#include <optional>

#include "sound/SoundProfile.h"

namespace quib {

// What the feature controllers (the sound pack, the quiet rules) ask of the
// controller that owns them: the stored sound choices and the panel.
class FeatureHost {
  public:
    virtual ~FeatureHost() = default;
    // The stored profile under key, checked against what is unlocked.
    virtual std::optional<SoundProfile> restoreProfile(const char* key, bool keyboard) const = 0;
    // Stores the volumes, the switch and the channels' sounds as they are now.
    virtual void save() = 0;
    virtual void refreshPanelData() = 0;
};

}  // namespace quib
