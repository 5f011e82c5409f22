// At start, before anything else is written, what the last run counted but
// never flushed (it was killed, it crashed) is folded into the store. The
// fold and the amount of the journal it took are one transaction, so a death
// during the fold leaves the store as it was and the next start folds again:
// nothing is lost and nothing counted twice. The store stays the source of
// truth: a journal it cannot vouch for is set aside, never added.
#include <string>

#include "platform/Log.h"
#include "progression/GameStats.h"
#include "progression/StoreKeys.h"

namespace quib {

void GameStats::openJournal() {
    m_journal = m_preferences.openPendingJournal();
    const bool loaded = m_preferences.isLoaded();
    if (m_journal) {
        m_page = &m_journal->page();
        if (loaded) {
            recoverPending();
        }
    }
    if (!m_journal) {
        m_memoryPage = PendingPage::fresh(0, m_clock.monotonicSeconds(), m_clock.today());
        m_page = &m_memoryPage;
    }
    beginRun();
    m_waitingForStore = !loaded;  // the store said why, in its one line
}

void GameStats::recoverPending() {
    if (m_journal->isNew()) {
        // A page made for this store counts from zero: all it holds is its own.
        recordJournal(0, 0);
    }
    const auto identity = m_preferences.integerValue(keys::journalId);
    const auto check = checkPendingPage(
        *m_page, identity ? std::optional(static_cast<std::uint64_t>(*identity)) : std::nullopt,
        m_preferences.integer(keys::journalAppliedKeys),
        m_preferences.integer(keys::journalAppliedClicks));
    switch (check.verdict) {
        case PendingCheck::Verdict::fold:
            foldPending(check.pending);
            return;
        case PendingCheck::Verdict::adopt:
            recordJournal(m_page->keyCount(), m_page->clickCount());
            return;
        case PendingCheck::Verdict::reject:
            logLine("Pending counts not added, the journal " + check.reason + "; set aside as ",
                    m_journal->rejectedPath().string());
            if (!m_journal->replaceWithFresh()) {
                m_journal.reset();
                m_page = &m_memoryPage;
                return;
            }
            m_page = &m_journal->page();
            recordJournal(m_page->keyCount(), m_page->clickCount());
            return;
    }
}

// Pairs the store with the page: its identity, and how much of its counters
// the store holds.
void GameStats::recordJournal(std::int64_t appliedKeys, std::int64_t appliedClicks) {
    Preferences::Transaction transaction(m_preferences);
    m_preferences.setInteger(keys::journalId, static_cast<std::int64_t>(m_page->identity));
    m_preferences.setInteger(keys::journalAppliedKeys, appliedKeys);
    m_preferences.setInteger(keys::journalAppliedClicks, appliedClicks);
}

// The flush's part while the store is not loaded: keep the page's days
// right, and try the store again.
void GameStats::waitForStore() {
    m_page->markDay(m_clock.today(), m_page->keyCount(), m_page->clickCount());
    if (!m_loadPosted && m_preferences.load()) {
        m_loadPosted = true;
        std::weak_ptr<char> alive = m_alive;
        m_mainQueue.post([this, alive] {
            if (!alive.expired()) {
                finishLoading();
            }
        });
    }
}

// The start that had to wait, on the main thread (the page may be replaced
// under the hot path's feet only there) and with the flush held off: the
// stored values are read, and the page's counts (this run's included) folded.
void GameStats::finishLoading() {
    std::lock_guard serial(m_flushMutex);
    if (!m_waitingForStore) {
        return;
    }
    load();
    if (m_journal) {
        recoverPending();
        beginRun();
    }
    m_waitingForStore = false;
}

void GameStats::foldPending(const PendingCounts& pending) {
    if (pending.days.empty()) {
        return;
    }
    const std::string today = m_clock.today();
    m_preferences.backUpOncePerDay(today);
    std::vector<Changes> folded;
    {
        Preferences::Transaction transaction(m_preferences);
        for (const auto& day : pending.days) {
            Changes& changes = folded.emplace_back();
            m_totalKeysAtStart = saturatingAdd(m_totalKeysAtStart, day.keys);
            m_totalClicksAtStart = saturatingAdd(m_totalClicksAtStart, day.clicks);
            changes.batch = {day.keys, day.clicks, m_totalKeysAtStart, m_totalClicksAtStart,
                             pending.runKeys};
            changes.today.day = day.day;
            commit(changes, 0);  // the speed died with the run
        }
        m_preferences.setInteger(keys::journalAppliedKeys, pending.keys);
        m_preferences.setInteger(keys::journalAppliedClicks, pending.clicks);
        DailyCounts counts{today, m_preferences.integer(keys::daily(today, "keys")),
                           m_preferences.integer(keys::daily(today, "clicks"))};
        std::lock_guard state(m_stateMutex);
        m_today = std::move(counts);  // the fold's days may be earlier ones
        publishFigures();
    }
    std::int64_t keys = 0;
    std::int64_t clicks = 0;
    for (const auto& changes : folded) {
        keys += changes.batch.keys;
        clicks += changes.batch.clicks;
        announce(changes);
    }
    logLine(m_waitingForStore ? "Stored what was counted while the preferences could not be read: "
                              : "Added what the last run counted but had not stored: ",
            std::to_string(keys) + " keys, " + std::to_string(clicks) + " clicks");
}

void GameStats::beginRun() {
    m_page->beginRun(m_clock.monotonicSeconds(), m_clock.today());
    m_runStartKeys = m_appliedKeys = m_page->keyCount();
    m_runStartClicks = m_appliedClicks = m_page->clickCount();
}

}  // namespace quib
