// Unlockables, coins and the reward draw. Main thread; the flush may raise
// coins concurrently, so everything here holds m_stateMutex, and what writes
// opens its store transaction first (the order the flush keeps too).
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"

namespace quib {

namespace {

// Unlocked for every user and therefore never won.
constexpr std::string_view kDefaultProfile = "iPhone Keyboard";
constexpr std::string_view kDefaultTheme = "Classic";

bool contains(const std::set<std::string>& set, std::string_view value) {
    return set.find(std::string(value)) != set.end();
}

bool profileUnlocked(const std::set<std::string>& unlocked, SoundProfile profile) {
    return rawValue(profile) == kDefaultProfile || contains(unlocked, rawValue(profile));
}

bool themeUnlocked(const std::set<std::string>& unlocked, AppTheme theme) {
    return rawValue(theme) == kDefaultTheme || contains(unlocked, rawValue(theme));
}

std::vector<std::string> asList(const std::set<std::string>& set) {
    return {set.begin(), set.end()};
}

template <typename Item>
std::vector<std::string> names(const std::vector<Item>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) {
        out.emplace_back(rawValue(item));
    }
    return out;
}

}  // namespace

bool GameStats::isKeyProfileUnlocked(SoundProfile profile) const {
    std::lock_guard lock(m_stateMutex);
    return profileUnlocked(m_unlockedKeyProfiles, profile);
}

bool GameStats::isMouseProfileUnlocked(SoundProfile profile) const {
    std::lock_guard lock(m_stateMutex);
    return profileUnlocked(m_unlockedMouseProfiles, profile);
}

std::vector<SoundProfile> GameStats::lockedProfiles(const std::set<std::string>& unlocked) const {
    std::vector<SoundProfile> locked;
    for (SoundProfile profile : allSoundProfiles()) {
        if (!profileUnlocked(unlocked, profile)) {
            locked.push_back(profile);
        }
    }
    return locked;
}

std::vector<SoundProfile> GameStats::lockedKeyProfiles() const {
    std::lock_guard lock(m_stateMutex);
    return lockedProfiles(m_unlockedKeyProfiles);
}

std::vector<SoundProfile> GameStats::lockedMouseProfiles() const {
    std::lock_guard lock(m_stateMutex);
    return lockedProfiles(m_unlockedMouseProfiles);
}

std::vector<SoundProfile> GameStats::allLockedProfiles() const {
    std::lock_guard lock(m_stateMutex);
    std::vector<SoundProfile> locked;
    for (SoundProfile profile : allSoundProfiles()) {
        if (!profileUnlocked(m_unlockedKeyProfiles, profile) ||
            !profileUnlocked(m_unlockedMouseProfiles, profile)) {
            locked.push_back(profile);
        }
    }
    return locked;
}

bool GameStats::isThemeUnlocked(AppTheme theme) const {
    std::lock_guard lock(m_stateMutex);
    return themeUnlocked(m_unlockedThemes, theme);
}

std::vector<AppTheme> GameStats::lockedThemes() const {
    std::lock_guard lock(m_stateMutex);
    std::vector<AppTheme> locked;
    for (AppTheme theme : allAppThemes()) {
        if (!themeUnlocked(m_unlockedThemes, theme)) {
            locked.push_back(theme);
        }
    }
    return locked;
}

bool GameStats::isTrackUnlocked(MusicTrack track) const {
    std::lock_guard lock(m_stateMutex);
    return contains(m_unlockedTracks, rawValue(track));
}

bool GameStats::canClaimReward() const {
    if (coins() < 1) {
        return false;
    }
    return !allLockedProfiles().empty() || !lockedThemes().empty();
}

GameStats::Locked GameStats::lockedItems() const {
    return {lockedKeyProfiles(), lockedMouseProfiles(), lockedThemes()};
}

std::optional<std::int64_t> GameStats::spendCoin() {
    std::lock_guard lock(m_stateMutex);
    if (m_coins < 1) {
        return std::nullopt;
    }
    --m_coins;
    publishFigures();
    return m_coins;
}

std::optional<GameStats::Reward> GameStats::draw(const Locked& locked) {
    std::vector<UnlockType> kinds;
    if (!locked.keyboard.empty()) {
        kinds.push_back(UnlockType::keyboard);
    }
    if (!locked.mouse.empty()) {
        kinds.push_back(UnlockType::mouse);
    }
    if (!locked.themes.empty()) {
        kinds.push_back(UnlockType::theme);
    }
    if (kinds.empty()) {
        return std::nullopt;
    }
    // Two stages: every available kind is equally likely, whatever its size.
    const UnlockType kind = kinds[m_random.below(kinds.size())];
    switch (kind) {
        case UnlockType::keyboard:
            return Reward{locked.keyboard[m_random.below(locked.keyboard.size())], std::nullopt,
                          kind};
        case UnlockType::mouse:
            return Reward{locked.mouse[m_random.below(locked.mouse.size())], std::nullopt, kind};
        case UnlockType::theme:
            return Reward{std::nullopt, locked.themes[m_random.below(locked.themes.size())], kind};
    }
    return std::nullopt;
}

std::optional<GameStats::Reward> GameStats::pickReward() {
    const Locked locked = lockedItems();
    if (locked.keyboard.empty() && locked.mouse.empty() && locked.themes.empty()) {
        return std::nullopt;
    }
    Preferences::Transaction transaction(m_preferences);
    const auto coins = spendCoin();
    if (!coins) {
        return std::nullopt;
    }
    m_preferences.setInteger(keys::coins, *coins);
    return draw(locked);
}

std::optional<GameStats::Claim> GameStats::claimReward() {
    // Only the main thread unlocks, so what is locked now is still locked below.
    const Locked locked = lockedItems();
    // Coin and prize in one transaction, as for a track: a crash between them
    // must not charge without the prize.
    Preferences::Transaction transaction(m_preferences);
    const auto reward = pickReward();
    if (!reward) {
        return std::nullopt;
    }
    Claim claim{*reward, {}};
    if (reward->type == UnlockType::theme) {
        claim.candidates = names(locked.themes);
        unlockTheme(*reward->theme);
    } else {
        claim.candidates =
            names(reward->type == UnlockType::keyboard ? locked.keyboard : locked.mouse);
        unlockProfile(*reward->profile, reward->type);
    }
    return claim;
}

void GameStats::unlockProfile(SoundProfile profile, UnlockType type) {
    if (type == UnlockType::theme) {
        return;
    }
    const bool keyboard = type == UnlockType::keyboard;
    Preferences::Transaction transaction(m_preferences);
    std::vector<std::string> list;
    {
        std::lock_guard lock(m_stateMutex);
        auto& unlocked = keyboard ? m_unlockedKeyProfiles : m_unlockedMouseProfiles;
        unlocked.insert(std::string(rawValue(profile)));
        list = asList(unlocked);
    }
    m_preferences.setStringList(keyboard ? keys::unlockedKeyProfiles : keys::unlockedMouseProfiles,
                                list);
}

void GameStats::unlockTheme(AppTheme theme) {
    Preferences::Transaction transaction(m_preferences);
    std::vector<std::string> list;
    {
        std::lock_guard lock(m_stateMutex);
        m_unlockedThemes.insert(std::string(rawValue(theme)));
        list = asList(m_unlockedThemes);
    }
    m_preferences.setStringList(keys::unlockedThemes, list);
}

bool GameStats::purchaseTrack(MusicTrack track) {
    // Both writes in one transaction: a crash between them must not charge
    // without the track.
    Preferences::Transaction transaction(m_preferences);
    std::int64_t coins = 0;
    std::vector<std::string> tracks;
    {
        std::lock_guard lock(m_stateMutex);
        if (m_coins < cost(track) || contains(m_unlockedTracks, rawValue(track))) {
            return false;
        }
        coins = m_coins -= cost(track);
        m_unlockedTracks.insert(std::string(rawValue(track)));
        publishFigures();
        tracks = asList(m_unlockedTracks);
    }
    m_preferences.setInteger(keys::coins, coins);
    m_preferences.setStringList(keys::unlockedTracks, tracks);
    return true;
}

}  // namespace quib
