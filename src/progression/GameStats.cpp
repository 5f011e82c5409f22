#include "progression/GameStats.h"

#include <pthread.h>

#include <limits>

#include "progression/CalendarDays.h"
#include "progression/StoreKeys.h"

namespace quib {

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max()
                     : std::numeric_limits<std::int64_t>::min();
    }
    return sum;
}

namespace {

std::set<std::string> readSet(const Preferences& preferences, const char* key) {
    auto list = preferences.stringListValue(key);
    return list ? std::set<std::string>(list->begin(), list->end()) : std::set<std::string>();
}

}  // namespace

GameStats::GameStats(Preferences& preferences, MainQueue& mainQueue, const Clock& clock,
                     RandomSource& random)
    : m_preferences(preferences), m_mainQueue(mainQueue), m_clock(clock), m_random(random) {
    load();
    openJournal();
    loadRecentDays();  // after the fold, which may have added to earlier days
}

GameStats::~GameStats() {
    stopFlushTimer();
}

void GameStats::load() {
    // Negative counters can only come from a damaged or hand-edited store;
    // they read as 0 rather than poisoning the arithmetic.
    const auto counter = [this](const char* key) {
        return std::max<std::int64_t>(0, m_preferences.integer(key));
    };
    m_totalKeysAtStart = counter(keys::totalKeystrokes);
    m_totalClicksAtStart = counter(keys::totalClicks);
    m_totalXP = counter(keys::totalXP);
    m_coins = counter(keys::coins);
    m_currentStreak = counter(keys::currentStreak);
    m_lastActiveDate = m_preferences.stringValue(keys::lastActiveDate).value_or("");
    m_today.day = m_clock.today();
    m_today.keys = m_preferences.integer(keys::daily(m_today.day, "keys"));
    m_today.clicks = m_preferences.integer(keys::daily(m_today.day, "clicks"));
    m_unlockedAchievementIDs = readSet(m_preferences, keys::unlockedAchievements);
    m_unlockedKeyProfiles = readSet(m_preferences, keys::unlockedKeyProfiles);
    m_unlockedMouseProfiles = readSet(m_preferences, keys::unlockedMouseProfiles);
    m_unlockedThemes = readSet(m_preferences, keys::unlockedThemes);
    m_unlockedTracks = readSet(m_preferences, keys::unlockedTracks);
    if (auto name = m_preferences.stringValue(keys::activeTheme)) {
        m_activeTheme = appThemeFromRawValue(*name).value_or(AppTheme::classic);
    }
    publishFigures();
}

void GameStats::loadRecentDays() {
    const auto today = calendar::parseDay(m_clock.today());
    // Read before the model's lock is taken: the store first, then the model,
    // the order every writer keeps.
    std::vector<DayCount> days =
        today ? readDailySeries(m_preferences, *today, kRecentDays) : std::vector<DayCount>();
    std::lock_guard state(m_stateMutex);
    m_recentDays = std::move(days);
}

void GameStats::publishFigures() {
    m_figures.publish({m_totalXP, m_coins, m_currentStreak,
                       static_cast<std::int64_t>(m_unlockedAchievementIDs.size()),
                       Figures::dayNumber(m_today.day), m_today.keys, m_today.clicks});
}

void GameStats::recordKeystroke() {
    const double now = m_clock.monotonicSeconds();
    m_page->addKey(now);
    const std::int64_t index = m_keyTimeIndex.load(std::memory_order_relaxed);
    m_recentKeyTimes[static_cast<std::size_t>(index % kRingSize)].store(now,
                                                                        std::memory_order_relaxed);
    m_keyTimeIndex.store(index + 1, std::memory_order_release);
    if (m_keyTimeCount.load(std::memory_order_relaxed) < static_cast<std::int64_t>(kRingSize)) {
        m_keyTimeCount.fetch_add(1, std::memory_order_release);
    }
}

void GameStats::recordClick() {
    m_page->addClick(m_clock.monotonicSeconds());
}

void GameStats::startFlushTimer(std::chrono::milliseconds period) {
    stopFlushTimer();
    m_timerStop = false;
    m_flushThread = std::thread([this, period] {
        pthread_setname_np(pthread_self(), "quib-stats");
        std::unique_lock lock(m_timerMutex);
        auto deadline = std::chrono::steady_clock::now() + period;
        while (!m_timerWake.wait_until(lock, deadline, [this] { return m_timerStop; })) {
            lock.unlock();
            flush();
            lock.lock();
            // A late tick (a suspended laptop) does not cause a burst of flushes.
            deadline = std::max(deadline + period, std::chrono::steady_clock::now());
        }
    });
}

void GameStats::stopFlushTimer() {
    if (!m_flushThread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_timerMutex);
        m_timerStop = true;
    }
    m_timerWake.notify_all();
    m_flushThread.join();
}

void GameStats::flushNow() {
    // On the main thread (at quit, before sleep): a store that loads now is
    // taken at once rather than through the queue, which may not run again.
    if (m_waitingForStore && m_preferences.load()) {
        finishLoading();
    }
    flush();
}

std::int64_t GameStats::totalKeystrokes() const {
    return saturatingAdd(m_totalKeysAtStart, sessionKeystrokes());
}

std::int64_t GameStats::totalClicks() const {
    return saturatingAdd(m_totalClicksAtStart, sessionClicks());
}

std::int64_t GameStats::sessionKeystrokes() const {
    return m_page->keyCount() - m_runStartKeys;
}

std::int64_t GameStats::sessionClicks() const {
    return m_page->clickCount() - m_runStartClicks;
}

std::int64_t GameStats::totalXP() const {
    return m_figures.read().totalXP;
}

std::int64_t GameStats::coins() const {
    return m_figures.read().coins;
}

std::int64_t GameStats::currentStreak() const {
    return m_figures.read().streak;
}

std::string GameStats::lastActiveDate() const {
    std::lock_guard lock(m_stateMutex);
    return m_lastActiveDate;
}

std::set<std::string> GameStats::unlockedAchievementIDs() const {
    std::lock_guard lock(m_stateMutex);
    return m_unlockedAchievementIDs;
}

std::set<std::string> GameStats::unlockedKeyProfiles() const {
    std::lock_guard lock(m_stateMutex);
    return m_unlockedKeyProfiles;
}

std::set<std::string> GameStats::unlockedMouseProfiles() const {
    std::lock_guard lock(m_stateMutex);
    return m_unlockedMouseProfiles;
}

std::set<std::string> GameStats::unlockedThemes() const {
    std::lock_guard lock(m_stateMutex);
    return m_unlockedThemes;
}

std::set<std::string> GameStats::unlockedTracks() const {
    std::lock_guard lock(m_stateMutex);
    return m_unlockedTracks;
}

AppTheme GameStats::activeTheme() const {
    std::lock_guard lock(m_stateMutex);
    return m_activeTheme;
}

void GameStats::setActiveTheme(AppTheme theme) {
    std::lock_guard lock(m_stateMutex);
    m_activeTheme = theme;
}

}  // namespace quib
