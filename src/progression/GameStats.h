#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ambient/AmbientCatalog.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/RandomSource.h"
#include "platform/prefs/Preferences.h"
#include "progression/Achievement.h"
#include "progression/AppTheme.h"
#include "progression/DailySeries.h"
#include "progression/Figures.h"
#include "sound/SoundProfile.h"

namespace quib {

// The progression store: counts every key-down and mouse-down and turns the
// counts, every 5 seconds, into XP, levels, coins, daily counts, a day streak,
// a typing speed and achievements, all kept in the preferences under "gs_" keys.
//
// Nothing counted is lost when the process dies: the counts not yet flushed
// live in a page mapped from the data directory (PendingPage), and the next
// start folds what the page holds into the store before anything else, in
// one transaction that also records how much of the page the store now holds.
// A store that could not be read at start (Preferences::isLoaded() false:
// another program held it locked) is not written: the counts wait in the
// page, each flush tries the store again, and once it loads the start's fold
// runs on the main queue and takes them.
//
// Threads: recordKeystroke()/recordClick() run on the main thread, the only
// writer of the page's counters, and do plain memory writes: no lock, no
// allocation, no system call.
// flush() runs on the "quib-stats" thread (or the caller's, for flushNow()).
// The main thread must never wait for the disk, so the flush changes the
// model under m_stateMutex without any I/O, and writes the values it took
// there after releasing it; the figures the panel reads every second are
// published to m_figures and read without any lock. Everything that writes
// to the store holds a store transaction before it takes m_stateMutex: that
// order keeps the file in step with the model and cannot deadlock.
// Level-ups and achievements reach the callbacks on the main queue, in the
// order the flush found them.
class GameStats {
  public:
    enum class UnlockType { keyboard, mouse, theme };

    // The outcome of a reward draw: a profile for the keyboard or the mouse,
    // or a theme.
    struct Reward {
        std::optional<SoundProfile> profile;
        std::optional<AppTheme> theme;
        UnlockType type;
    };

    // A claimed reward: the draw, and the raw values of the items of its kind
    // that were still locked before it, in catalog order (the winner among them).
    struct Claim {
        Reward reward;
        std::vector<std::string> candidates;
    };

    static constexpr std::int64_t kMaxLevel = 99;
    static constexpr std::int64_t totalAchievementCount = 28;
    static constexpr std::chrono::milliseconds kFlushPeriod{5000};

    GameStats(Preferences& preferences, MainQueue& mainQueue, const Clock& clock,
              RandomSource& random);
    ~GameStats();
    GameStats(const GameStats&) = delete;
    GameStats& operator=(const GameStats&) = delete;

    // Hot path, main thread only: constant time, no lock, no allocation, no
    // system call.
    void recordKeystroke();
    void recordClick();

    void startFlushTimer(std::chrono::milliseconds period = kFlushPeriod);
    // Main thread only.
    void flushNow();

    std::int64_t totalKeystrokes() const;
    std::int64_t totalClicks() const;
    std::int64_t sessionKeystrokes() const;
    std::int64_t sessionClicks() const;
    std::int64_t totalXP() const;
    std::int64_t coins() const;
    std::int64_t currentStreak() const;
    std::string lastActiveDate() const;
    std::set<std::string> unlockedAchievementIDs() const;
    std::set<std::string> unlockedKeyProfiles() const;
    std::set<std::string> unlockedMouseProfiles() const;
    std::set<std::string> unlockedThemes() const;
    std::set<std::string> unlockedTracks() const;
    AppTheme activeTheme() const;
    // The store does not persist the theme; the application writes
    // "gs_activeTheme" when the user picks one.
    void setActiveTheme(AppTheme theme);

    // Levels, XP and titles.
    static std::int64_t xpForLevel(std::int64_t level);
    static std::int64_t cumulativeXPForLevel(std::int64_t level);
    static std::int64_t levelForXP(std::int64_t xp);
    static std::string titleForLevel(std::int64_t level);
    static std::string formatNumber(std::int64_t n);
    std::int64_t currentLevel() const;
    double progressToNextLevel() const;
    std::string levelTitle() const;

    // Achievements.
    std::int64_t unlockedCount() const;

    // Speed, daily counts. Today's counts are those of the last flush; right
    // after midnight they read 0 until the first flush of the new day.
    int approximateWPM() const;
    std::int64_t todayKeystrokes() const;
    std::int64_t todayClicks() const;
    // The daily counts of the last kRecentDays days up to the clock's today,
    // oldest first, as of the last flush; kept in memory, so reading them
    // never waits for the disk.
    static constexpr int kRecentDays = 30;
    std::vector<DayCount> recentDays() const;

    // Unlockables, coins and rewards (main thread).
    bool isKeyProfileUnlocked(SoundProfile profile) const;
    bool isMouseProfileUnlocked(SoundProfile profile) const;
    std::vector<SoundProfile> lockedKeyProfiles() const;
    std::vector<SoundProfile> lockedMouseProfiles() const;
    std::vector<SoundProfile> allLockedProfiles() const;
    bool isThemeUnlocked(AppTheme theme) const;
    std::vector<AppTheme> lockedThemes() const;
    bool isTrackUnlocked(MusicTrack track) const;
    bool canClaimReward() const;
    // Spends one coin and draws a kind, then an item of it; unlocks nothing.
    std::optional<Reward> pickReward();
    // The reward claim: spends one coin, draws the winner and unlocks it in one
    // transaction, so that no crash can take the coin without the prize.
    std::optional<Claim> claimReward();
    void unlockProfile(SoundProfile profile, UnlockType type);
    void unlockTheme(AppTheme theme);
    bool purchaseTrack(MusicTrack track);

    // Set on the main thread before the timer starts; called on the main queue.
    std::function<void(const Achievement&)> onAchievementUnlocked;
    std::function<void(std::int64_t level, std::int64_t coinsEarned)> onLevelUp;
    // Installed by the application; the store itself never raises it.
    std::function<void(SoundProfile)> onProfileUnlocked;

  private:
    struct Batch {
        std::int64_t keys;
        std::int64_t clicks;
        std::int64_t totalKeys;
        std::int64_t totalClicks;
        std::int64_t sessionKeys;
    };
    // A day's counts as the store holds them.
    struct DailyCounts {
        std::string day;
        std::int64_t keys = 0;
        std::int64_t clicks = 0;
    };
    // What one flush changes: taken from the model under m_stateMutex, then
    // written to the store and announced once the lock is released.
    struct Changes {
        Batch batch{};
        // The page's counters the store holds once this is written (with a
        // journal on file only).
        std::optional<std::pair<std::int64_t, std::int64_t>> applied;
        DailyCounts today;
        int wpm = 0;
        std::int64_t totalXP = 0;
        std::optional<std::int64_t> coins;
        bool streakChanged = false;
        std::int64_t streak = 0;
        std::optional<std::vector<std::string>> achievements;
        // In the order they are posted: an achievement, or a level-up when
        // `achievement` is null.
        struct Announcement {
            const Achievement* achievement;
            std::int64_t level;
            std::int64_t coinsEarned;
        };
        std::vector<Announcement> announcements;
    };

    void load();
    void loadRecentDays();
    void openJournal();
    void recoverPending();
    void recordJournal(std::int64_t appliedKeys, std::int64_t appliedClicks);
    void waitForStore();
    void finishLoading();
    void foldPending(const PendingCounts& pending);
    void beginRun();
    void flush();
    void commit(Changes& changes, int wpm);
    void advance(Changes& changes, int wpm);
    void recordRecentDay(const DailyCounts& today);
    void payLevelUps(std::int64_t oldLevel, Changes& changes);
    void updateStreak(const std::string& today, Changes& changes);
    void checkAchievements(int wpm, const Batch& batch, Changes& changes);
    void write(const Changes& changes);
    void announce(const Changes& changes);
    void stopFlushTimer();
    void publishFigures();  // with m_stateMutex held
    std::vector<SoundProfile> lockedProfiles(const std::set<std::string>& unlocked) const;
    struct Locked {
        std::vector<SoundProfile> keyboard;
        std::vector<SoundProfile> mouse;
        std::vector<AppTheme> themes;
    };
    Locked lockedItems() const;
    // One coin off, in memory: the count left, or nothing without a coin. The
    // caller has opened its store transaction and writes the count.
    std::optional<std::int64_t> spendCoin();
    // Draws a kind, then an item of it; nothing when everything is unlocked.
    std::optional<Reward> draw(const Locked& locked);

    Preferences& m_preferences;
    MainQueue& m_mainQueue;
    const Clock& m_clock;
    RandomSource& m_random;
    // Expires with the store, so blocks already posted to the main queue
    // know not to call back.
    std::shared_ptr<char> m_alive = std::make_shared<char>();

    // The counts: the mapped journal's page, or m_memoryPage when the store
    // has no journal (no file, read-only, or it could not be mapped).
    std::unique_ptr<PendingJournal> m_journal;
    PendingPage m_memoryPage{};
    PendingPage* m_page = &m_memoryPage;
    // Fixed once the constructor has folded what the last run left.
    std::int64_t m_runStartKeys = 0;
    std::int64_t m_runStartClicks = 0;
    std::int64_t m_totalKeysAtStart = 0;
    std::int64_t m_totalClicksAtStart = 0;
    // The page's counters the store holds; the flush's own.
    std::int64_t m_appliedKeys = 0;
    std::int64_t m_appliedClicks = 0;

    // Written by the main thread only, read by the flush; no lock.
    static constexpr std::size_t kRingSize = 20;
    std::array<std::atomic<double>, kRingSize> m_recentKeyTimes{};
    std::atomic<std::int64_t> m_keyTimeIndex{0};
    std::atomic<std::int64_t> m_keyTimeCount{0};

    std::mutex m_flushMutex;  // one flush at a time: the timer's or flushNow()'s
    Figures m_figures;
    mutable std::mutex m_stateMutex;
    DailyCounts m_today;
    std::vector<DayCount> m_recentDays;
    std::int64_t m_totalXP = 0;
    std::int64_t m_coins = 0;
    std::int64_t m_currentStreak = 0;
    std::string m_lastActiveDate;
    std::set<std::string> m_unlockedAchievementIDs;
    std::set<std::string> m_unlockedKeyProfiles;
    std::set<std::string> m_unlockedMouseProfiles;
    std::set<std::string> m_unlockedThemes;
    std::set<std::string> m_unlockedTracks;
    AppTheme m_activeTheme = AppTheme::classic;

    // Set while the store is not loaded; the flush then only tries it again.
    std::atomic<bool> m_waitingForStore{false};
    std::atomic<bool> m_loadPosted{false};

    std::thread m_flushThread;
    std::mutex m_timerMutex;
    std::condition_variable m_timerWake;
    bool m_timerStop = false;
};

// Adds without passing the 64-bit maximum (or minimum).
std::int64_t saturatingAdd(std::int64_t a, std::int64_t b);

}  // namespace quib
