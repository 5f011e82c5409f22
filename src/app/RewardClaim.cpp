// The reward claim: the coin is spent and the reward unlocked before the
// reveal; the reward window only shows it and can make it current.
#include "app/AppDelegate.h"

namespace quib {

using namespace std::chrono_literals;

void AppDelegate::panelDidRequestClaimReward() {
    // One reward at a time: a second claim would mute again and remember the
    // muted switch as the one to restore.
    if (m_rewardSpinner) {
        return;
    }
    const auto claim = m_gameStats->claimReward();
    if (!claim) {
        return;
    }
    showReward(*claim);
}

void AppDelegate::showReward(const GameStats::Claim& claim) {
    const GameStats::Reward& reward = claim.reward;
    const std::string winner = reward.type == RewardType::theme
                                   ? std::string(rawValue(*reward.theme))
                                   : std::string(rawValue(*reward.profile));
    // Nothing is counted or sounded while the reel runs; the user's own switch
    // is kept aside, stored and restored.
    m_switchDuringReward = isEnabled();
    setEnabled(false);
    m_popoverPanel->dismiss();
    m_popoverPanel->setClaimSuspended(true);

    m_rewardSpinner = m_services.makeSpinner();
    auto tick = std::make_shared<SoundPlayer>(m_services.audio, m_services.random,
                                              SoundProfile::tock, std::nullopt);
    tick->setVolume(0.4F * m_soundPlayer->keyVolume());
    m_rewardSpinner->onTick = [tick] { tick->playKeyClick(); };
    std::weak_ptr<char> alive = m_alive;
    m_rewardSpinner->onTestSound = [this, alive](const std::string& name, RewardType type) {
        if (!alive.expired()) {
            previewReward(name, type);
        }
    };
    m_rewardSpinner->onApplyName = [this, alive](const std::string& name, RewardType type) {
        if (!alive.expired()) {
            applyReward(name, type);
        }
    };
    m_rewardSpinner->onDismiss = [this, alive] {
        if (!alive.expired()) {
            endReward();
        }
    };
    m_rewardSpinner->show(claim.candidates, winner, reward.type);
}

void AppDelegate::endReward() {
    setEnabled(userEnabled());
    m_switchDuringReward.reset();
    m_popoverPanel->setClaimSuspended(false);
    refreshPanelData();
    // Released from the main queue: the window may still be in its own handler.
    later(0ms, [](AppDelegate& self) { self.m_rewardSpinner.reset(); });
}

void AppDelegate::previewReward(const std::string& name, RewardType type) {
    const auto profile = soundProfileFromRawValue(name);
    if (type == RewardType::theme || !profile) {
        return;
    }
    auto preview =
        std::make_shared<SoundPlayer>(m_services.audio, m_services.random, *profile, *profile);
    preview->setVolume(m_soundPlayer->keyVolume());
    if (type == RewardType::keyboard) {
        preview->playKeyClick();
    } else {
        preview->playMouseClick();
    }
    // Kept alive long enough for the click to finish.
    m_services.mainQueue.postDelayed(500ms, [preview] {});
}

void AppDelegate::applyReward(const std::string& name, RewardType type) {
    if (type == RewardType::theme) {
        if (const auto theme = appThemeFromRawValue(name)) {
            m_gameStats->unlockTheme(*theme);
            saveTheme(*theme);
            m_popoverPanel->forceRebuild();
        }
    } else if (const auto profile = soundProfileFromRawValue(name)) {
        m_gameStats->unlockProfile(*profile, type);
        if (type == RewardType::keyboard) {
            m_soundPlayer->setKeyProfile(*profile);
        } else {
            m_soundPlayer->setMouseProfile(*profile);
        }
    }
    save();
    refreshPanelData();
}

}  // namespace quib
