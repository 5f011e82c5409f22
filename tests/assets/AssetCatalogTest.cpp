// Every file the catalogs name must be present in the generated resource
// directory and decode; the images must have the sizes the panel expects.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <set>
#include <string>

#include "AudioAnalysis.h"
#include "ambient/AmbientCatalog.h"
#include "platform/ApplicationId.h"
#include "sound/SoundProfile.h"

namespace quib::test {
namespace {

std::set<std::string> profileSoundFiles() {
    std::set<std::string> names;
    for (const SoundProfile profile : allSoundProfiles()) {
        names.emplace(keyFile(profile));
        names.emplace(mouseFile(profile));
    }
    return names;
}

// The first second is enough to prove a file decodes; the loop tests read
// the long files in full.
void expectDecodes(const std::string& relative) {
    const std::optional<Audio> audio = readAudio(resourcePath(relative), 48000);
    ASSERT_TRUE(audio.has_value()) << relative << " is missing or does not decode";
    EXPECT_GT(audio->frames(), 0u) << relative;
}

TEST(AssetCatalog, EverySoundFileOfEveryProfileExistsAndDecodes) {
    const std::set<std::string> names = profileSoundFiles();
    EXPECT_EQ(names.size(), 30u);
    for (const std::string& name : names) {
        expectDecodes("Sounds/" + name + ".wav");
    }
}

TEST(AssetCatalog, EveryAmbienceAndTrackFileExistsAndDecodes) {
    for (const AmbientSound sound : allAmbientSounds()) {
        if (const auto file = fileName(sound)) {
            expectDecodes("Ambient/" + std::string(*file) + ".ogg");
        }
    }
    for (const MusicTrack track : allMusicTracks()) {
        expectDecodes("Tracks/" + std::string(fileName(track)) + ".ogg");
    }
}

QImage loadImage(const std::string& relative) {
    return QImage(QString::fromStdString(resourcePath(relative)))
        .convertToFormat(QImage::Format_ARGB32);
}

TEST(AssetCatalog, ImagesAndIconsHaveTheirSizesAndTransparency) {
    const QImage glyph = loadImage("menubar-icon@2x.png");
    EXPECT_EQ(glyph.size(), QSize(36, 36));
    const QImage logo = loadImage("header-logo.png");
    EXPECT_EQ(logo.size(), QSize(128, 128));
    EXPECT_EQ(logo.pixelColor(0, 0).alpha(), 0) << "the logo sits on a transparent field";
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const std::string file = std::string(kApplicationId) + ".png";
        EXPECT_EQ(loadImage("icons/hicolor/" + folder + "/apps/" + file).size(), QSize(size, size));
    }
}

// The panel tints a template glyph, so it may only carry shape in alpha: any
// colour other than black would show through on dark panels.
TEST(AssetCatalog, MenuBarGlyphIsBlackOnTransparentWithVisibleShape) {
    const QImage glyph = loadImage("menubar-icon@2x.png");
    int covered = 0;
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x) {
            const QColor colour = glyph.pixelColor(x, y);
            if (colour.alpha() > 0) {
                EXPECT_EQ(colour.red() + colour.green() + colour.blue(), 0) << x << "," << y;
            }
            covered += colour.alpha() > 128 ? 1 : 0;
        }
    }
    const double share = covered / (36.0 * 36.0);
    EXPECT_GT(share, 0.1);
    EXPECT_LT(share, 0.6);
}

}  // namespace
}  // namespace quib::test
