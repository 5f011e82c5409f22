// The keyboard's sound pack in the controller: restored, followed after a
// command, chosen from the panel, and given up when it breaks.
#include <linux/input-event-codes.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/AppDelegateFixture.h"
#include "sound/PackFixtures.h"

namespace quib::test {
namespace {

namespace fs = std::filesystem;

class KeyPacksTest : public AppDelegateFixture {
  protected:
    fs::path makePack(const std::string& id, const std::string& name = "Tone Pack") {
        const fs::path folder = dir.path() / "packs" / id;
        writeText(folder / "config.json", R"({"name":")" + name +
                                              R"(","key_define_type":"multi","defines":)"
                                              R"({"30":"a.wav","30-up":"a.wav"},"version":2})");
        writeTone(folder / "sounds/a.wav", 2000.0, 0.03);
        return folder;
    }
    // Runs the Qt loop and the controller's queue until the condition holds.
    template <typename Condition>
    bool settleUntil(Condition condition) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!condition() && elapsed.elapsed() < 3000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            queue.drain();
        }
        return condition();
    }
};

TEST_F(KeyPacksTest, AStoredPackPlaysAndThePanelListsEveryPack) {
    makePack("tones");
    writeText(dir.path() / "packs/broken/config.json", "{");
    preferences->setString("keyPack", "tones");
    preferences->setString("keyProfile", "Snap");
    auto& app = launch();
    ASSERT_TRUE(settleUntil([&] { return app.soundPlayer().keyPack() == "tones"; }));
    EXPECT_TRUE(app.soundPlayer().keyEnabled());
    ASSERT_EQ(panel->packs.size(), 2u);
    EXPECT_EQ(panel->selectedPack, "tones");
    app.panelDidChangeKeyVolume(0.5F);  // any save
    EXPECT_EQ(preferences->stringValue("keyPack"), "tones");
    EXPECT_EQ(preferences->stringValue("keyProfile"), "Snap") << "the profile chosen before stays";
}

TEST_F(KeyPacksTest, APackThatCannotBeLoadedFallsBackToTheDefaultProfileWithOneLine) {
    writeText(dir.path() / "packs/broken/config.json", R"({"name":"B","key_define_type":"x"})");
    for (const char* id : {"broken", "absent"}) {
        preferences->setString("keyPack", id);
        preferences->setString("keyProfile", "off");
        testing::internal::CaptureStderr();
        auto& app = launch();
        const bool gaveWay = settleUntil([&] { return !preferences->contains("keyPack"); });
        const std::string log = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(gaveWay) << id;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        EXPECT_NE(log.find("Sound pack '" + std::string(id) + "' cannot be used"),
                  std::string::npos);
        EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::iphone);
        EXPECT_FALSE(preferences->contains("keyPack"));
        EXPECT_EQ(preferences->stringValue("keyProfile"), "iPhone Keyboard");
        delegate.reset();
    }
}

TEST_F(KeyPacksTest, TheMuteChordBringsBackThePackThatPlayed) {
    makePack("tones");
    preferences->setString("keyPack", "tones");
    completeOnboardingBefore();
    auto& app = launch();
    ASSERT_TRUE(settleUntil([&] { return app.soundPlayer().keyPack() == "tones"; }));
    for (const bool muted : {true, false}) {
        for (int press = 0; press < 2; ++press) {
            sources.listener()->onInputEvent({InputEvent::Type::keyDown, KEY_SCROLLLOCK});
            sources.listener()->onInputEvent({InputEvent::Type::keyUp, KEY_SCROLLLOCK});
            clock.advance(0.1);
        }
        // The key handler only asks for the pack: it arrives from the worker.
        EXPECT_FALSE(app.soundPlayer().keyEnabled());
        queue.drain();  // the store follows from the main queue
        clock.advance(1.0);
        EXPECT_TRUE(settleUntil([&] { return app.soundPlayer().keyEnabled() == !muted; }));
    }
    EXPECT_EQ(app.soundPlayer().keyPack(), "tones");
    EXPECT_EQ(preferences->stringValue("keyPack"), "tones");
}

TEST_F(KeyPacksTest, ACommandsChoiceIsFollowedOnReload) {
    preferences->setStringList("gs_unlockedKeyProfiles", {"Soft Tock"});
    auto& app = launch();
    makePack("tones");
    preferences->setString("keyPack", "tones");  // `quib packs use tones`
    app.reloadSettings();
    EXPECT_TRUE(settleUntil([&] { return app.soundPlayer().keyPack() == "tones"; }));
    EXPECT_EQ(panel->packs.size(), 1u) << "the imported pack is listed";
    preferences->remove("keyPack");  // `quib packs remove` of another instance's choice
    preferences->setString("keyProfile", "Soft Tock");
    app.reloadSettings();
    EXPECT_TRUE(app.soundPlayer().keyPack().empty());
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::tock);
}

TEST_F(KeyPacksTest, ThePackThatPlaysIsLoadedAgainWhenItsLoudnessRuleChanges) {
    makePack("tones");
    preferences->setString("keyPack", "tones");
    auto& app = launch();
    ASSERT_TRUE(settleUntil([&] { return app.soundPlayer().keyPack() == "tones"; }));
    const Sample* matched = app.soundPlayer().keySounds().sample.get();
    preferences->setString("packLoudness", "original");  // `quib set pack-loudness original`
    app.reloadSettings();
    EXPECT_EQ(app.soundPlayer().keySounds().sample.get(), matched) << "until it is loaded again";
    EXPECT_TRUE(settleUntil([&] { return app.soundPlayer().keySounds().sample.get() != matched; }));
    EXPECT_EQ(app.soundPlayer().keyPack(), "tones");
}

TEST_F(KeyPacksTest, ThePanelChoosesValidPacksOnly) {
    makePack("tones");
    writeText(dir.path() / "packs/broken/config.json", "[]");
    auto& app = launch();
    app.panelDidSelectKeyPack("broken");
    app.panelDidSelectKeyPack("../../etc");
    EXPECT_TRUE(app.soundPlayer().keyPack().empty());
    app.panelDidSelectKeyPack("tones");
    EXPECT_TRUE(app.soundPlayer().keyPack().empty()) << "the previous sound plays until it loads";
    ASSERT_TRUE(settleUntil([&] { return app.soundPlayer().keyPack() == "tones"; }));
    EXPECT_EQ(preferences->stringValue("keyPack"), "tones");
    EXPECT_EQ(panel->selectedPack, "tones");
    app.panelDidSelectKeyProfile(SoundProfile::iphone);
    EXPECT_FALSE(preferences->contains("keyPack"));
    EXPECT_EQ(preferences->stringValue("keyProfile"), "iPhone Keyboard");
}

TEST_F(KeyPacksTest, APackWhoseFilesVanishWhileInUseGivesWayOnce) {
    const fs::path pack = makePack("tones");
    preferences->setString("keyPack", "tones");
    auto& app = launch();
    ASSERT_TRUE(settleUntil([&] { return app.soundPlayer().keyPack() == "tones"; }));
    testing::internal::CaptureStderr();
    fs::remove(pack / "sounds/a.wav");
    const bool fellBack = settleUntil([&] { return app.soundPlayer().keyPack().empty(); });
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(fellBack);
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::iphone);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("a.wav"), std::string::npos) << log;
    EXPECT_FALSE(preferences->contains("keyPack"));
}

}  // namespace
}  // namespace quib::test
