// What a pack's config and files turn into: the key-code map, then a table of
// configs against what is loaded.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include "sound/Loudness.h"
#include "sound/PackFixtures.h"
#include "sound/packs/PackKeyCodes.h"
#include "sound/packs/SoundPack.h"
#include "support/TempDir.h"

namespace quib {
namespace {

namespace fs = std::filesystem;

TEST(PackKeyCodesTest, SetOneCodesMapToTheEvdevKeysTheyName) {
    const std::pair<std::uint32_t, std::optional<std::uint16_t>> cases[] = {
        {1, KEY_ESC},          {30, KEY_A},           {57, KEY_SPACE},        {88, KEY_F12},
        {91, KEY_F13},         {93, KEY_F15},         {3597, KEY_KPEQUAL},    {3612, KEY_KPENTER},
        {3613, KEY_RIGHTCTRL}, {3637, KEY_KPSLASH},   {3639, KEY_SYSRQ},      {3640, KEY_RIGHTALT},
        {3653, KEY_PAUSE},     {3655, KEY_HOME},      {3657, KEY_PAGEUP},     {3663, KEY_END},
        {3665, KEY_PAGEDOWN},  {3666, KEY_INSERT},    {3667, KEY_DELETE},     {3675, KEY_LEFTMETA},
        {3676, KEY_RIGHTMETA}, {3677, KEY_COMPOSE},   {57416, KEY_UP},        {57419, KEY_LEFT},
        {57421, KEY_RIGHT},    {57424, KEY_DOWN},     {60999, KEY_KP7},       {61011, KEY_KPDOT},
        {0, std::nullopt},     {89, std::nullopt},    {94, std::nullopt},     {3584, std::nullopt},
        {61012, std::nullopt}, {60998, std::nullopt}, {0xE01C, std::nullopt},
    };
    for (const auto& [packCode, key] : cases) {
        EXPECT_EQ(evdevCodeOfPackKey(packCode), key) << packCode;
    }
}

TEST(PackKeyCodesTest, FileRangesExpandInOrderAndMalformedOnesAreRefused) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(expandFileRange("a.wav"), Names{"a.wav"});
    EXPECT_EQ(expandFileRange("press{1-3}.wav"), (Names{"press1.wav", "press2.wav", "press3.wav"}));
    EXPECT_EQ(expandFileRange("{0-0}x"), Names{"0x"});
    for (const char* bad : {"a{3-1}.wav", "a{1-2}{3-4}.wav", "a{1}.wav", "a{x-2}.wav", "a}{",
                            "a{1-2.wav", "a{1-100}.wav", "a{-1-2}.wav"}) {
        EXPECT_EQ(expandFileRange(bad), std::nullopt) << bad;
    }
}

constexpr std::int64_t kMs = 48;  // frames per millisecond at the output rate

// A tone beside the config: its name, its length in ms and its rate.
struct PackFile {
    std::string name;
    int ms = 0;
    int rate = 44100;
};

// One pack: its config, the files beside it, and what must come of it.
struct PackCase {
    const char* what;
    std::string config;
    std::vector<PackFile> files;
    std::string problem;  // empty: valid, else a part of the problem
    int keys = 0;
    bool release = false;
    // key, press clips, frames of its first press clip (0: none), release clips
    std::vector<std::tuple<std::uint16_t, int, std::int64_t, int>> expected = {};
    bool problemWhenDecoded = false;  // the plan checks out, loading refuses it
};

// A single pack whose one define is written `aliases` times ("30", "030",
// "0030"...), each a cut of `ms`.
std::string aliasedConfig(int aliases, int ms) {
    std::string defines;
    for (int i = 0; i < aliases; ++i) {
        defines += (i == 0 ? "\"" : ",\"") + std::string(static_cast<std::size_t>(i), '0') +
                   "30\":[0," + std::to_string(ms) + "]";
    }
    return R"({"name":"Aliases","key_define_type":"single","sound":"all.wav","defines":{)" +
           defines + "}}";
}

std::vector<PackCase> packCases() {
    return {
        {"v1 single: slices of one file, null is silent",
         R"({"name":"One","key_define_type":"single","sound":"all.wav","includes_numpad":false,
             "defines":{"30":[100,50],"31":[200,25.5],"57":null,"9999":[0,10]}})",
         {{"all.wav", 1000}},
         "",
         2,
         false,
         {{KEY_A, 1, 50 * kMs, 0}, {KEY_S, 1, 1224, 0}, {KEY_SPACE, 0, 0, 0}}},
        {"v1 single: a slice past the end is cut there",
         R"({"name":"Cut","key_define_type":"single","sound":"all.wav","defines":{"30":[900,500]}})",
         {{"all.wav", 1000}},
         "",
         1,
         false,
         {{KEY_A, 1, 100 * kMs, 0}}},
        {"v1 multi: files by name whatever their case and folder",
         R"({"name":"Multi","key_define_type":"multi","sound":"","defines":
             {"30":"a.wav","31":"B.WAV","32":null,"3612":"enter.wav"}})",
         {{"a.wav", 30}, {"sub/dir/b.wav", 40}, {"Enter.wav", 20}},
         "",
         3,
         false,
         {{KEY_A, 1, 30 * kMs, 0},
          {KEY_S, 1, 40 * kMs, 0},
          {KEY_D, 0, 0, 0},
          {KEY_KPENTER, 1, 20 * kMs, 0}}},
        {"v2 multi: own press and release, the rest falls back to sound and soundup",
         R"({"version":2,"name":"Two","key_define_type":"multi","sound":"press.wav",
             "soundup":"up.wav","defines":{"30":"a.wav","30-up":"a-up.wav","31":null}})",
         {{"press.wav", 60}, {"up.wav", 15}, {"a.wav", 30}, {"a-up.wav", 10}},
         "",
         1,
         true,
         {{KEY_A, 1, 30 * kMs, 1}, {KEY_S, 1, 60 * kMs, 1}, {KEY_UP, 1, 60 * kMs, 1}}},
        {"v2 multi: a {a-b} range gives a key several takes",
         R"({"version":2,"name":"Takes","key_define_type":"multi","defines":
             {"30":"press{1-3}.wav","30-up":"up{1-2}.wav"}})",
         {{"press1.wav", 10},
          {"press2.wav", 10},
          {"press3.wav", 10},
          {"up1.wav", 5},
          {"up2.wav", 5}},
         "",
         1,
         true,
         {{KEY_A, 3, 10 * kMs, 2}, {KEY_S, 0, 0, 0}}},
        {"v2 single: releases are cut from soundup",
         R"({"version":2,"name":"S2","key_define_type":"single","sound":"down.wav",
             "soundup":"up.wav","defines":{"30":[0,100],"30-up":[0,40]}})",
         {{"down.wav", 500}, {"up.wav", 200}},
         "",
         1,
         true,
         {{KEY_A, 1, 100 * kMs, 1}}},
        {"bad JSON", R"({"name":"x",)", {}, "not valid JSON"},
        {"no name", R"({"key_define_type":"multi","defines":{}})", {}, "'name' is missing"},
        {"unknown define type",
         R"({"name":"x","key_define_type":"double","defines":{}})",
         {},
         "'key_define_type'"},
        {"no defines", R"({"name":"x","key_define_type":"multi"})", {}, "'defines' is missing"},
        {"single without its file",
         R"({"name":"x","key_define_type":"single","defines":{}})",
         {},
         "'sound'"},
        {"missing file",
         R"({"name":"x","key_define_type":"multi","defines":{"30":"gone.wav"}})",
         {},
         "'defines'.'30': file 'gone.wav' not found"},
        {"missing take of a range",
         R"({"name":"x","key_define_type":"multi","defines":{"30":"p{1-2}.wav"}})",
         {{"p1.wav", 10}},
         "file 'p2.wav' not found"},
        {"v1: release entries play on key-up, as in version 2",
         R"({"name":"Up","key_define_type":"multi","defines":{"30":"a.wav","30-up":"b.wav"}})",
         {{"a.wav", 10}, {"b.wav", 20}},
         "",
         1,
         true,
         {{KEY_A, 1, 10 * kMs, 1}}},
        {"v1 multi: sound is not used, its file may be missing, keys without an entry are silent",
         R"({"name":"x","key_define_type":"multi","sound":"sound.ogg","defines":{"30":"a.wav"}})",
         {{"a.wav", 10}},
         "",
         1,
         false,
         {{KEY_A, 1, 10 * kMs, 0}, {KEY_S, 0, 0, 0}}},
        {"v2: the path as written (whatever its case) tells press/ from release/",
         R"({"version":"2","name":"Paths","key_define_type":"multi","sound":"press/GENERIC.wav",
             "soundup":"release/GENERIC.wav","defines":{"30":"Press/generic.WAV",
             "31":"sub\\b.wav","31-up":"./release/../c.wav"}})",
         {{"press/GENERIC.wav", 30}, {"release/GENERIC.wav", 10}, {"sub/b.wav", 40}, {"c.wav", 5}},
         "",
         2,
         true,
         {{KEY_A, 1, 30 * kMs, 1}, {KEY_S, 1, 40 * kMs, 1}, {KEY_D, 1, 30 * kMs, 1}}},
        {"a base name that several files share is named, not guessed",
         R"({"name":"x","key_define_type":"multi","defines":{"30":"GENERIC.wav"}})",
         {{"press/GENERIC.wav", 30}, {"release/generic.wav", 10}},
         "file 'GENERIC.wav' is ambiguous: 2 files match (press/GENERIC.wav, release/generic.wav)"},
        {"single define that is not a slice",
         R"({"name":"x","key_define_type":"single","sound":"a.wav","defines":{"30":"a.wav"}})",
         {{"a.wav", 10}},
         "'defines'.'30': expected [start_ms, duration_ms]"},
        {"unknown version",
         R"({"version":3,"name":"x","key_define_type":"multi","defines":{}})",
         {},
         "'version'"},
        {"v2: missing fallback file",
         R"({"version":2,"name":"x","key_define_type":"multi","sound":"none.wav","defines":{}})",
         {},
         "'sound': file 'none.wav' not found"},
        // Hostile values: each is refused or bounded, none may throw or abort.
        {"a number too large for a double",
         R"({"name":"x","key_define_type":"single","sound":"a.wav","defines":{"30":[1e400,1]}})",
         {{"a.wav", 10}},
         "not valid JSON"},
        {"huge offsets and durations are cut at the file's end",
         R"({"name":"Far","key_define_type":"single","sound":"all.wav","defines":
             {"30":[1e300,10],"31":[2e17,1e300],"32":[0,1e300],"33":[900,1.7e308]}})",
         {{"all.wav", 1000}},
         "",
         4,
         false,
         {{KEY_A, 0, 0, 0}, {KEY_S, 0, 0, 0}, {KEY_D, 1, 1000 * kMs, 0}, {KEY_F, 1, 100 * kMs, 0}}},
        {"a range at the end of int",
         R"({"name":"x","key_define_type":"multi","defines":{"30":"a{2147483647-2147483647}.wav"}})",
         {},
         "malformed {a-b} range"},
        {"a version that is not 1 or 2, as a text",
         R"({"version":"2.0","name":"x","key_define_type":"multi","defines":{}})",
         {},
         "'version'"},
        {"a long file at a low rate is refused from its header, before decoding",
         R"({"name":"x","key_define_type":"multi","defines":{"30":"low.wav"}})",
         {{"low.wav", 200'000, 1000}},
         "the pack's files hold more than 180 s",
         0,
         false,
         {},
         true},
        {"aliases of one key count their cuts again",
         aliasedConfig(19, 10'000),
         {{"all.wav", 10'000, 1000}},
         "as its config cuts them, hold more than 180 s",
         0,
         false,
         {},
         true},
    };
}

TEST(PackLoadTest, EachConfigLoadsAsItsFormatSays) {
    for (const PackCase& c : packCases()) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path pack = dir.path() / "the-pack";
        test::writeText(pack / "config.json", c.config);
        for (const auto& [name, ms, rate] : c.files) {
            ASSERT_TRUE(test::writeTone(pack / name, 440.0, ms / 1000.0, rate));
        }
        const PackPlan plan = planPack(pack);
        EXPECT_EQ(plan.info.id, "the-pack");
        if (c.problemWhenDecoded) {
            ASSERT_TRUE(plan.info.valid) << plan.info.problem;
            const PackLoad load = loadPack(plan);
            EXPECT_FALSE(load.sounds);
            EXPECT_NE(load.problem.find(c.problem), std::string::npos) << load.problem;
            continue;
        }
        if (!c.problem.empty()) {
            EXPECT_FALSE(plan.info.valid);
            EXPECT_NE(plan.info.problem.find(c.problem), std::string::npos) << plan.info.problem;
            EXPECT_EQ(plan.info.problem.rfind("config.json: ", 0), 0u) << plan.info.problem;
            continue;
        }
        ASSERT_TRUE(plan.info.valid) << plan.info.problem;
        EXPECT_EQ(plan.info.keys, c.keys);
        EXPECT_EQ(plan.info.release, c.release);
        const PackLoad load = loadPack(plan);
        ASSERT_TRUE(load.sounds) << load.problem;
        const KeySoundSet& sounds = *load.sounds;
        EXPECT_FALSE(sounds.variesRate);
        for (const auto& [key, presses, frames, releases] : c.expected) {
            const ClipRange press = sounds.pressOf(key);
            EXPECT_EQ(press.count, presses) << key;
            if (presses > 0) {
                EXPECT_NEAR(sounds.clips.at(press.first).frames, frames, 2) << key;
            }
            EXPECT_EQ(sounds.releaseOf(key).count, releases) << key;
        }
        std::int64_t total = 0;
        for (const SoundClip& clip : sounds.clips) {
            EXPECT_EQ(clip.start, total) << "clips lie end to end in the one sample";
            total += clip.frames;
        }
        EXPECT_EQ(sounds.sample->frames, total);
    }
}

TEST(PackLoadTest, FilesOfAnyRateAndChannelsBecomeOneSampleAtTheOutputRate) {
    test::TempDir dir;
    const fs::path pack = dir.path() / "mixed";
    test::writeText(pack / "config.json",
                    R"({"name":"Mixed","key_define_type":"multi","defines":
                        {"30":"mono.wav","31":"stereo.flac","32":"low.ogg"}})");
    ASSERT_TRUE(test::writeTone(pack / "mono.wav", 1000.0, 0.1, 44100, 1));
    ASSERT_TRUE(test::writeTone(pack / "stereo.flac", 1000.0, 0.1, 96000, 2));
    ASSERT_TRUE(test::writeTone(pack / "low.ogg", 1000.0, 0.1, 22050, 1));
    const PackLoad load = loadPack(planPack(pack));
    ASSERT_TRUE(load.sounds) << load.problem;
    EXPECT_EQ(load.sounds->sample->channels, 2);
    for (const std::uint16_t key : {KEY_A, KEY_S, KEY_D}) {
        EXPECT_NEAR(load.sounds->clips.at(load.sounds->pressOf(key).first).frames, 100 * kMs, 64)
            << key;
    }
}

TEST(PackLoadTest, AFileThatDoesNotDecodeIsNamed) {
    test::TempDir dir;
    const fs::path pack = dir.path() / "broken";
    test::writeText(pack / "config.json",
                    R"({"name":"B","key_define_type":"multi","defines":{"30":"a.wav"}})");
    test::writeText(pack / "a.wav", "RIFF....WAVE but not really");
    const PackPlan plan = planPack(pack);
    ASSERT_TRUE(plan.info.valid);
    const PackLoad load = loadPack(plan);
    EXPECT_FALSE(load.sounds);
    EXPECT_EQ(load.problem.rfind("a.wav", 0), 0u) << load.problem;
}

// The loudness of typing on a loaded set, as it plays (its gain applied).
std::optional<double> playedLoudness(const KeySoundSet& sounds) {
    const Sample& held = *sounds.sample;
    auto played = std::make_shared<Sample>();
    played->channels = held.channels;
    played->frames = held.frames;
    for (const std::int16_t value : held.pcm16) {
        played->data.push_back(static_cast<float>(value) * held.pcm16Gain);
    }
    std::vector<SoundPart> parts;
    std::vector<std::size_t> presses;
    for (const SoundClip& clip : sounds.clips) {
        presses.push_back(parts.size());
        parts.push_back(SoundPart{played, clip});
    }
    return typingLoudness(parts, presses);
}

TEST(PackLoudnessTest, MatchedPacksPlayAsLoudAsTheReferenceAndOriginalOnesAsRecorded) {
    constexpr double kReference = -16.0;
    struct Case {
        const char* what;
        double amplitude;
        double matchedLufs;  // what it plays at when matched
        float matchedGain;   // 0: whatever brings it to the reference
    };
    const Case cases[] = {
        {"a quiet pack is raised", 0.1, kReference, 0.0F},
        {"a loud pack is lowered", 0.9, kReference, 0.0F},
        {"a pack too quiet for +12 dB gets +12 dB", 0.01, 0.0, 3.981F},
    };
    std::vector<double> matched;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path pack = dir.path() / "level";
        test::writeText(
            pack / "config.json",
            R"({"name":"L","key_define_type":"multi","defines":{"30":"a.wav","31":"b.wav"}})");
        ASSERT_TRUE(test::writeTone(pack / "a.wav", 1000.0, 0.1, 44100, 1, c.amplitude));
        ASSERT_TRUE(test::writeTone(pack / "b.wav", 700.0, 0.08, 48000, 2, c.amplitude));
        const PackPlan plan = planPack(pack);
        const PackLoad original = loadPack(plan);
        ASSERT_TRUE(original.sounds && original.loudness) << original.problem;
        EXPECT_EQ(original.gain, 1.0F);
        EXPECT_NEAR(*playedLoudness(*original.sounds), *original.loudness, 0.1)
            << "as recorded, 16 bits changing nothing one can hear";
        const PackLoad level = loadPack(plan, kReference);
        ASSERT_TRUE(level.sounds) << level.problem;
        if (c.matchedGain > 0.0F) {
            EXPECT_NEAR(level.gain, c.matchedGain, 0.01F);
            continue;
        }
        const double played = *playedLoudness(*level.sounds);
        EXPECT_NEAR(played, c.matchedLufs, 0.5);
        matched.push_back(played);
    }
    ASSERT_EQ(matched.size(), 2U);
    EXPECT_NEAR(matched[0], matched[1], 1.0) << "a quiet pack and a loud one, matched";
}

TEST(PackLoudnessTest, TheLoudnessStoredBesideThePackIsUsedWhenItReads) {
    test::TempDir dir;
    const fs::path pack = dir.path() / "stored";
    test::writeText(pack / "config.json",
                    R"({"name":"S","key_define_type":"multi","defines":{"30":"a.wav"}})");
    ASSERT_TRUE(test::writeTone(pack / "a.wav", 1000.0, 0.1, 44100, 1, 0.5));
    const auto measured = loadPack(planPack(pack)).loudness;
    ASSERT_TRUE(measured);
    std::string problem;
    ASSERT_TRUE(storePackLoudness(pack, -30.0, problem)) << problem;
    EXPECT_EQ(fs::status(pack / kPackLoudnessFile).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(loadPack(planPack(pack)).loudness, -30.0);
    for (const char* bad : {R"({"integratedLufs":1e400})", R"({"integratedLufs":"-30"})",
                            R"({"integratedLufs":-900})", R"([-30])", "{", ""}) {
        test::writeText(pack / kPackLoudnessFile, bad);
        const auto loudness = loadPack(planPack(pack)).loudness;
        ASSERT_TRUE(loudness) << bad;
        EXPECT_NEAR(*loudness, *measured, 0.01) << bad << ": measured instead";
    }
}

}  // namespace
}  // namespace quib
