// The flush: every 5 seconds the pending counts become totals, daily counts,
// XP, levels and coins, the streak and achievements. The model changes under
// m_stateMutex without I/O; the store is written after the lock is released,
// so the main thread's reads never wait for the disk.
#include "progression/CalendarDays.h"
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"

namespace quib {

void GameStats::flush() {
    std::lock_guard serial(m_flushMutex);
    if (m_waitingForStore) {
        waitForStore();
        return;
    }
    const std::int64_t keys = m_page->keyCount();
    const std::int64_t clicks = m_page->clickCount();
    if (keys <= m_appliedKeys && clicks <= m_appliedClicks) {
        m_preferences.load();  // a store kept in memory goes back to its file
        return;
    }
    Changes changes;
    changes.batch = {keys - m_appliedKeys, clicks - m_appliedClicks,
                     saturatingAdd(m_totalKeysAtStart, keys - m_runStartKeys),
                     saturatingAdd(m_totalClicksAtStart, clicks - m_runStartClicks),
                     keys - m_runStartKeys};
    changes.today.day = m_clock.today();
    if (m_journal) {
        changes.applied = {keys, clicks};
    }
    // The batch belongs to the day of the flush that takes it; if the process
    // dies before the commit, the page says so to the next start.
    m_page->markDay(changes.today.day, m_appliedKeys, m_appliedClicks);
    m_preferences.backUpOncePerDay(changes.today.day);  // before the day's first writes
    commit(changes, approximateWPM());
    m_appliedKeys = keys;
    m_appliedClicks = clicks;
    announce(changes);
}

// One batch for one day, in one transaction (or inside the caller's).
void GameStats::commit(Changes& changes, int wpm) {
    // The store first, then the model: the order every writer keeps.
    Preferences::Transaction transaction(m_preferences);
    changes.today.keys = m_preferences.integer(keys::daily(changes.today.day, "keys"));
    changes.today.clicks = m_preferences.integer(keys::daily(changes.today.day, "clicks"));
    {
        std::lock_guard state(m_stateMutex);
        advance(changes, wpm);
    }
    write(changes);
}

// The model's part of a flush: no I/O here, the main thread may be waiting.
void GameStats::advance(Changes& changes, int wpm) {
    const Batch& batch = changes.batch;
    changes.wpm = wpm;
    changes.today.keys = saturatingAdd(changes.today.keys, batch.keys);
    changes.today.clicks = saturatingAdd(changes.today.clicks, batch.clicks);
    m_today = changes.today;
    recordRecentDay(m_today);
    const std::int64_t oldLevel = levelForXP(m_totalXP);
    m_totalXP = saturatingAdd(m_totalXP,
                              saturatingAdd(batch.keys, saturatingAdd(batch.clicks, batch.clicks)));
    payLevelUps(oldLevel, changes);
    updateStreak(changes.today.day, changes);
    // The achievements' bonus XP can cross a level too; that level pays its
    // coin and is announced after the achievements that raised it.
    const std::int64_t levelBeforeBonus = levelForXP(m_totalXP);
    checkAchievements(wpm, batch, changes);
    payLevelUps(levelBeforeBonus, changes);
    changes.totalXP = m_totalXP;
    publishFigures();
}

// Keeps the in-memory series in step with the daily rows this flush writes.
void GameStats::recordRecentDay(const DailyCounts& today) {
    const auto day = calendar::parseDay(today.day);
    if (!day) {
        return;
    }
    if (m_recentDays.empty() || m_recentDays.back().day != *day) {
        m_recentDays = rebaseSeries(m_recentDays, *day, kRecentDays);
    }
    m_recentDays.back() = {*day, today.keys, today.clicks};
}

void GameStats::payLevelUps(std::int64_t oldLevel, Changes& changes) {
    const std::int64_t newLevel = levelForXP(m_totalXP);
    if (newLevel <= oldLevel) {
        return;
    }
    const std::int64_t earned = newLevel - oldLevel;
    m_coins = saturatingAdd(m_coins, earned);
    changes.coins = m_coins;
    changes.announcements.push_back({nullptr, newLevel, earned});
}

void GameStats::write(const Changes& changes) {
    m_preferences.setInteger(keys::totalKeystrokes, changes.batch.totalKeys);
    m_preferences.setInteger(keys::totalClicks, changes.batch.totalClicks);
    m_preferences.setInteger(keys::daily(changes.today.day, "keys"), changes.today.keys);
    m_preferences.setInteger(keys::daily(changes.today.day, "clicks"), changes.today.clicks);
    m_preferences.setInteger(keys::totalXP, changes.totalXP);
    if (changes.batch.keys > 0) {
        // For readers in other processes (`quib stats --format`), which
        // cannot see the key times this speed comes from.
        m_preferences.setInteger(keys::typingSpeed, changes.wpm);
    }
    if (changes.coins) {
        m_preferences.setInteger(keys::coins, *changes.coins);
    }
    if (changes.streakChanged) {
        m_preferences.setInteger(keys::currentStreak, changes.streak);
        m_preferences.setString(keys::lastActiveDate, changes.today.day);
    }
    if (changes.achievements) {
        m_preferences.setStringList(keys::unlockedAchievements, *changes.achievements);
    }
    if (changes.applied) {
        m_preferences.setInteger(keys::journalAppliedKeys, changes.applied->first);
        m_preferences.setInteger(keys::journalAppliedClicks, changes.applied->second);
    }
}

void GameStats::announce(const Changes& changes) {
    std::weak_ptr<char> alive = m_alive;
    for (const auto& item : changes.announcements) {
        m_mainQueue.post([this, alive, item] {
            if (alive.expired()) {
                return;
            }
            if (item.achievement != nullptr && onAchievementUnlocked) {
                onAchievementUnlocked(*item.achievement);
            } else if (item.achievement == nullptr && onLevelUp) {
                onLevelUp(item.level, item.coinsEarned);
            }
        });
    }
}

}  // namespace quib
