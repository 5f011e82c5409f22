// The reward claim: the coin is spent and the reward unlocked before the
// reveal; the reward window only shows it and can make it current.
#include "app/AppDelegate.h"

namespace quib {

using namespace std::chrono_literals;

namespace {

template <typename Item>
std::vector<std::string> names(const std::vector<Item>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) {
        out.emplace_back(rawValue(item));
    }
    return out;
}

}  // namespace

void AppDelegate::panelDidRequestClaimReward() {
    const auto reward = m_gameStats->pickReward();
    if (!reward) {
        return;
    }
    showReward(*reward);
}

void AppDelegate::showReward(const GameStats::Reward& reward) {
    std::vector<std::string> candidates;
    std::string winner;
    if (reward.type == RewardType::theme) {
        candidates = names(m_gameStats->lockedThemes());
        winner = rawValue(*reward.theme);
    } else {
        candidates =
            names(reward.type == RewardType::keyboard ? m_gameStats->lockedKeyProfiles()
                                                      : m_gameStats->lockedMouseProfiles());
        winner = rawValue(*reward.profile);
    }
    if (candidates.empty()) {
        return;
    }
    if (reward.type == RewardType::theme) {
        m_gameStats->unlockTheme(*reward.theme);
    } else {
        m_gameStats->unlockProfile(*reward.profile, reward.type);
    }
    // Nothing is counted or sounded while the reel runs.
    const bool wasEnabled = isEnabled();
    setEnabled(false);
    m_popoverPanel->dismiss();

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
    m_rewardSpinner->onDismiss = [this, alive, wasEnabled] {
        if (alive.expired()) {
            return;
        }
        setEnabled(wasEnabled);
        refreshPanelData();
        // Released from the main queue: the window may still be in its own handler.
        later(0ms, [](AppDelegate& self) { self.m_rewardSpinner.reset(); });
    };
    m_rewardSpinner->show(candidates, winner, reward.type);
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
