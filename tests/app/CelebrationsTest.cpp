#include "app/AppDelegateFixture.h"

namespace quib::test {
namespace {

using CelebrationsTest = AppDelegateFixture;
using namespace std::chrono_literals;

TEST_F(CelebrationsTest, LevelUpPostsItsNotificationAndAKeyMouseKeyFlourish) {
    preferences->setInteger("gs_totalXP", 549);
    auto& app = launch();
    app.gameStats().recordKeystroke();
    app.gameStats().flushNow();
    const auto before = mark();
    queue.drain();
    ASSERT_EQ(notifications.posted.size(), 1u);
    EXPECT_EQ(notifications.posted[0].title, "LEVEL UP");
    EXPECT_EQ(notifications.posted[0].body, "LVL 1 -- ROOKIE // +1 COIN");
    EXPECT_EQ(notifications.posted[0].identifier, "levelup_1");
    EXPECT_EQ(keyPlays(before), 2);
    EXPECT_EQ(mousePlays(before), 1);
}

TEST_F(CelebrationsTest, SeveralCoinsArePlural) {
    preferences->setInteger("gs_totalXP", 550);  // level 1
    auto& app = launch();
    for (int i = 0; i < 1650; ++i) {  // level 3: two levels, two coins
        app.gameStats().recordKeystroke();
    }
    app.gameStats().flushNow();
    queue.drain();
    ASSERT_FALSE(notifications.posted.empty());
    EXPECT_EQ(notifications.posted[0].body, "LVL 3 -- ROOKIE // +2 COINS");
    EXPECT_EQ(notifications.posted[0].identifier, "levelup_3");
}

TEST_F(CelebrationsTest, AchievementPostsNameAndDescriptionWithOnlyTheMouseClickWhenKeysAreOff) {
    preferences->setInteger("gs_totalKeystrokes", 4999);
    preferences->setString("keyProfile", "off");
    auto& app = launch();
    app.gameStats().recordKeystroke();
    app.gameStats().flushNow();
    const auto before = mark();
    queue.drain();
    ASSERT_EQ(notifications.posted.size(), 1u);
    EXPECT_EQ(notifications.posted[0].title, "ACHIEVEMENT UNLOCKED");
    EXPECT_EQ(notifications.posted[0].body, "First Words -- Type 5,000 keystrokes");
    EXPECT_EQ(notifications.posted[0].identifier, "achievement_keys_5k");
    EXPECT_EQ(mousePlays(before), 1);
    EXPECT_EQ(audio.plays(before), 1);
}

TEST_F(CelebrationsTest, ProfileUnlockIsAnnouncedInCapitalsWithTheNameAsIdentifier) {
    auto& app = launch();
    panel->calls.clear();
    app.gameStats().onProfileUnlocked(SoundProfile::mxBlue);
    ASSERT_EQ(notifications.posted.size(), 1u);
    EXPECT_EQ(notifications.posted[0].title, "NEW SOUND UNLOCKED");
    EXPECT_EQ(notifications.posted[0].body, "MX BLUE");
    EXPECT_EQ(notifications.posted[0].identifier, "unlock_MX Blue");
    EXPECT_EQ(panel->calls.front(), "setSoundsData") << "the panel is refreshed";
}

}  // namespace
}  // namespace quib::test
