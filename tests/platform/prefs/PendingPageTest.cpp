#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "platform/prefs/PendingPage.h"

namespace quib {
namespace {

constexpr std::uint64_t kIdentity = 0x5eed;

// A run that began at t = 100 s on 5 March and typed one event a second.
PendingPage typed(int keys, int clicks) {
    PendingPage page = PendingPage::fresh(kIdentity, 100.0, "2026-03-05");
    double now = 100.0;
    for (int i = 0; i < keys; ++i) {
        page.addKey(now += 1.0);
    }
    for (int i = 0; i < clicks; ++i) {
        page.addClick(now += 1.0);
    }
    return page;
}

TEST(PendingPageTest, WhatTheStoreHasNotAppliedIsSplitByDay) {
    PendingPage page = typed(10, 2);    // 5 March: 10 keys, 2 clicks
    page.markDay("2026-03-05", 4, 0);   // the same day again changes nothing
    page.markDay("2026-03-06", 10, 2);  // from here on, 6 March
    page.addKey(200.0);
    page.addKey(201.0);
    page.addClick(202.0);
    const auto check = checkPendingPage(page, kIdentity, 4, 1);  // the store holds 4 keys, 1 click
    ASSERT_EQ(check.verdict, PendingCheck::Verdict::fold) << check.reason;
    ASSERT_EQ(check.pending.days.size(), 2u);
    EXPECT_EQ(check.pending.days[0].day, "2026-03-05");
    EXPECT_EQ(check.pending.days[0].keys, 6);
    EXPECT_EQ(check.pending.days[0].clicks, 1);
    EXPECT_EQ(check.pending.days[1].day, "2026-03-06");
    EXPECT_EQ(check.pending.days[1].keys, 2);
    EXPECT_EQ(check.pending.days[1].clicks, 1);
    EXPECT_EQ(check.pending.keys, 12);
    EXPECT_EQ(check.pending.clicks, 3);
    EXPECT_EQ(check.pending.runKeys, 12);

    // Once the store holds everything, nothing is left to fold.
    const auto done = checkPendingPage(page, kIdentity, 12, 3);
    EXPECT_EQ(done.verdict, PendingCheck::Verdict::fold);
    EXPECT_TRUE(done.pending.days.empty());
}

TEST(PendingPageTest, ANewRunStartsFromTheCountersAndKeepsTheLastEightDays) {
    PendingPage page = typed(5, 0);
    page.beginRun(50.0, "2026-04-01");  // another process, another clock
    page.addKey(51.0);
    for (int day = 2; day <= 12; ++day) {
        const std::string name =
            "2026-04-" + std::string(day < 10 ? "0" : "") + std::to_string(day);
        page.markDay(name, 5 + day, 0);
        page.addKey(51.0 + day);
    }
    EXPECT_EQ(page.currentRun().startKeys, 5);
    EXPECT_EQ(page.currentRun().markCount, PendingPage::kMaxMarks);
    EXPECT_STREQ(page.currentRun().marks[0].day, "2026-04-05");
    const auto check = checkPendingPage(page, kIdentity, 5, 0);
    ASSERT_EQ(check.verdict, PendingCheck::Verdict::fold) << check.reason;
    EXPECT_EQ(check.pending.runKeys, 12);
    std::int64_t keys = 0;
    for (const auto& day : check.pending.days) {
        keys += day.keys;
    }
    EXPECT_EQ(keys, 12) << "days dropped from the table fall to the oldest one kept";
    EXPECT_EQ(check.pending.days.front().day, "2026-04-05");
}

TEST(PendingPageTest, APageTheStoreCannotVouchForIsRejected) {
    struct Case {
        const char* what;
        std::function<void(PendingPage&)> damage;
        std::int64_t appliedKeys;
        const char* reason;
    };
    const Case cases[] = {
        {"a torn magic", [](PendingPage& p) { p.magic[0] = 'X'; }, 0, "is damaged"},
        {"another identity", [](PendingPage& p) { p.identity ^= 1; }, 0, "is damaged"},
        {"a run record half written",
         [](PendingPage& p) { p.runs[(p.seal >> 32) & 1].marks[0].keys = 1; }, 0, "is damaged"},
        {"a negative counter", [](PendingPage& p) { p.keys = -3; }, 0, "is damaged"},
        {"a counter behind its own mark",
         [](PendingPage& p) {
             p.beginRun(1, "x");
             p.keys = 0;
         },
         0, "is damaged"},
        {"more than the page ever counted", [](PendingPage&) {}, 11, "is behind the store"},
        {"a flood", [](PendingPage& p) { p.keys = 100000; }, 0, "counts more than 50 presses"},
        {"both counters at their limit",
         [](PendingPage& p) {
             p.keys = std::numeric_limits<std::int64_t>::max();
             p.clicks = std::numeric_limits<std::int64_t>::max();
         },
         0, "counts more than 50 presses"},
    };
    for (const Case& c : cases) {
        PendingPage page = typed(10, 0);
        c.damage(page);
        const auto check = checkPendingPage(page, kIdentity, c.appliedKeys, 0);
        EXPECT_EQ(check.verdict, PendingCheck::Verdict::reject) << c.what;
        EXPECT_EQ(check.reason.rfind(c.reason, 0), 0u) << c.what << ": " << check.reason;
        EXPECT_TRUE(check.pending.days.empty()) << c.what;
    }
}

TEST(PendingPageTest, VersionAndOwnershipAreTold) {
    PendingPage newer = typed(3, 0);
    newer.version = 2;
    const auto version = checkPendingPage(newer, kIdentity, 0, 0);
    EXPECT_EQ(version.verdict, PendingCheck::Verdict::reject);
    EXPECT_EQ(version.reason, "was written by another version");
    const auto another = checkPendingPage(typed(3, 0), kIdentity + 1, 0, 0);
    EXPECT_EQ(another.verdict, PendingCheck::Verdict::reject);
    EXPECT_EQ(another.reason, "belongs to another data directory");
    EXPECT_EQ(checkPendingPage(typed(3, 0), std::nullopt, 0, 0).verdict,
              PendingCheck::Verdict::reject)
        << "a store that knows no journal vouches for none";
    EXPECT_EQ(checkPendingPage(typed(0, 0), kIdentity + 1, 0, 0).verdict,
              PendingCheck::Verdict::adopt)
        << "an unused page is harmless";
}

TEST(PendingPageTest, FiftyPressesASecondOverTheRunIsTheLimit) {
    PendingPage page = PendingPage::fresh(kIdentity, 10.0, "2026-03-05");
    for (int i = 0; i < 150; ++i) {
        page.addKey(10.0 + 2.0 * (i + 1) / 150.0);  // 150 presses in 2 s: 50 a second, 1 s slack
    }
    EXPECT_EQ(checkPendingPage(page, kIdentity, 0, 0).verdict, PendingCheck::Verdict::fold);
    page.addClick(12.0);
    EXPECT_EQ(checkPendingPage(page, kIdentity, 0, 0).verdict, PendingCheck::Verdict::reject);
    EXPECT_EQ(checkPendingPage(page, kIdentity, 1, 0).verdict, PendingCheck::Verdict::fold)
        << "what the store already holds does not count";
}

}  // namespace
}  // namespace quib
