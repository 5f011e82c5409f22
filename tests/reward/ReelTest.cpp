#include "reward/Reel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/Fakes.h"

namespace quib::test {
namespace {

std::vector<std::string> names(std::size_t count) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back("Name " + std::to_string(i));
    }
    return out;
}

// Runs the reel to its landing; returns the names shown, step by step.
std::vector<std::string> runToLanding(Reel& reel) {
    std::vector<std::string> shown;
    for (int guard = 0; guard < 1000; ++guard) {
        const Reel::Step step = reel.advance();
        shown.push_back(step.name);
        if (step.landed) {
            break;
        }
    }
    return shown;
}

TEST(ReelTest, StepCShowsStartPlusCMinusOneAndLandsOnTheFirstWinnerFromTheMinimum) {
    struct Case {
        std::size_t count, start, winner, extra;
    };
    for (const Case& c : {Case{19, 5, 3, 2}, Case{19, 0, 0, 0}, Case{6, 5, 4, 10}, Case{2, 1, 0, 7},
                          Case{7, 6, 6, 1}, Case{50, 13, 12, 10}}) {
        SCOPED_TRACE(testing::Message() << "n=" << c.count << " s=" << c.start << " k=" << c.winner
                                        << " extra=" << c.extra);
        ScriptedRandom random({c.start, c.extra});
        const auto candidates = names(c.count);
        Reel reel(candidates, candidates[c.winner], random);
        EXPECT_EQ(random.bounds, (std::vector<std::uint64_t>{c.count, 11}));
        const int total = 40 + static_cast<int>(c.extra);
        EXPECT_EQ(reel.totalSpins(), total);

        const auto shown = runToLanding(reel);
        for (std::size_t step = 1; step <= shown.size(); ++step) {
            ASSERT_EQ(shown[step - 1], candidates[(c.start + step - 1) % c.count]) << step;
        }
        std::size_t landing = total;
        while ((c.start + landing - 1) % c.count != c.winner) {
            ++landing;
        }
        EXPECT_EQ(shown.size(), landing);
        EXPECT_LT(landing, static_cast<std::size_t>(total) + c.count);
    }
}

TEST(ReelTest, DelayStaysThenSlowsInTwoCappedStages) {
    ScriptedRandom random({0, 7});  // totalSpins 47
    const auto candidates = names(3);
    Reel reel(candidates, candidates[0], random);  // lands on step 49
    const int total = reel.totalSpins();
    EXPECT_DOUBLE_EQ(reel.delay(), 0.05) << "before the first step";
    std::vector<double> after{0.0};  // after[c]: the delay scheduled after step c
    for (int step = 1; step < 60; ++step) {
        if (reel.advance().landed) {
            break;
        }
        after.push_back(reel.delay());
    }
    ASSERT_GT(after.size(), static_cast<std::size_t>(total));
    for (int c = 1; c <= total - 20; ++c) {
        EXPECT_DOUBLE_EQ(after[c], 0.05) << c;
    }
    EXPECT_NEAR(after[total - 19], 0.055, 1e-12);
    EXPECT_NEAR(after[total - 10], 0.05 * std::pow(1.1, 10), 1e-12);
    EXPECT_NEAR(after[total - 9], 0.05 * std::pow(1.1, 10) * 1.2, 1e-12);
    for (int c = total - 19; c <= total - 10; ++c) {
        EXPECT_LE(after[c], 0.25) << c;
    }
    for (std::size_t c = total - 9; c < after.size(); ++c) {
        EXPECT_LE(after[c], 0.5) << c;
        EXPECT_GE(after[c], after[c - 1]) << c;
    }
    EXPECT_DOUBLE_EQ(after.back(), 0.5) << "the slowest pace after the minimum";
}

TEST(ReelTest, OneCandidateShowsItOnEveryStepAndLandsOnTheMinimum) {
    ScriptedRandom random({0, 4});
    Reel reel({"Soft Tock"}, "Soft Tock", random);
    const auto shown = runToLanding(reel);
    EXPECT_EQ(shown.size(), 44u);
    EXPECT_EQ(shown, std::vector<std::string>(44, "Soft Tock"));
}

TEST(ReelTest, LandingComparesNamesExactlyAsGiven) {
    ScriptedRandom random({1, 0});  // step c shows c mod 2
    Reel reel({"snap", "Snap"}, "Snap", random);
    const auto shown = runToLanding(reel);
    EXPECT_EQ(shown.size(), 41u) << "step 40 shows \"snap\", which only looks the same in capitals";
    EXPECT_EQ(shown.back(), "Snap");
}

TEST(ReelTest, AWinnerMissingFromTheNamesIsAddedSoTheReelStillLands) {
    ScriptedRandom random({0, 0});
    Reel reel({"Ice", "Solar"}, "Blood", random);
    EXPECT_EQ(reel.candidates().back(), "Blood");
    EXPECT_EQ(runToLanding(reel).back(), "Blood");
}

}  // namespace
}  // namespace quib::test
