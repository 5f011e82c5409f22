#include "reward/Reel.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// The pace as the user sees it, whatever the draw: an even spin for the
// first second, then only ever slower, plainly slow at the end, and never a
// wait of more than half a second between two names.
TEST(ReelTest, TheReelSpinsEvenlyThenOnlySlowsDownWithoutStalling) {
    struct Case {
        std::size_t count, start, winner, extra;
    };
    for (const Case& c : {Case{3, 0, 0, 7}, Case{19, 5, 3, 2}, Case{50, 13, 12, 10},
                          Case{1, 0, 0, 0}, Case{2, 1, 0, 10}, Case{7, 6, 6, 1}}) {
        SCOPED_TRACE(testing::Message() << "n=" << c.count << " s=" << c.start << " k=" << c.winner
                                        << " extra=" << c.extra);
        ScriptedRandom random({c.start, c.extra});
        const auto candidates = names(c.count);
        Reel reel(candidates, candidates[c.winner], random);
        std::vector<double> waits{reel.delay()};  // the wait before each step
        bool landed = false;
        for (int guard = 0; guard < 1000 && !landed; ++guard) {
            landed = reel.advance().landed;
            if (!landed) {
                waits.push_back(reel.delay());
            }
        }
        ASSERT_TRUE(landed);
        double elapsed = 0;
        for (const double wait : waits) {
            if (elapsed < 1.0) {
                EXPECT_DOUBLE_EQ(wait, waits.front()) << "after " << elapsed << " s";
            }
            elapsed += wait;
        }
        EXPECT_TRUE(std::is_sorted(waits.begin(), waits.end())) << "never faster again";
        EXPECT_GE(waits.back(), 5 * waits.front()) << "slow before it lands";
        EXPECT_LE(*std::max_element(waits.begin(), waits.end()), 0.5);
    }
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
