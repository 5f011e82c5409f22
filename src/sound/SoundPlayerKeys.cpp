// The keyboard channel of the click player: building what it plays, and
// playing a key's press or release where the key sits.
#include "sound/BuiltInKeySounds.h"
#include "sound/KeyLayout.h"
#include "sound/SoundPlayer.h"

namespace quib {

namespace {

constexpr float kKeyLowerRate = 0.93F;
constexpr float kKeyUpperRate = 1.07F;

// The evdev codes of the 26 letter keys (Q ... P, A ... L, Z ... M).
constexpr std::array<std::uint16_t, 26> kLetterCodes = {16, 17, 18, 19, 20, 21, 22, 23, 24,
                                                        25, 30, 31, 32, 33, 34, 35, 36, 37,
                                                        38, 44, 45, 46, 47, 48, 49, 50};

}  // namespace

void SoundPlayer::setKeyProfile(std::optional<SoundProfile> profile) {
    m_key.profile = profile;
    m_key.pack.clear();
    m_key.sounds = KeySoundSet{};
    if (profile) {
        m_key.sounds = builtInKeySounds(*profile).value_or(KeySoundSet{});
    }
    rebuildKeys();
}

void SoundPlayer::setKeyPack(const std::string& id, KeySoundSet sounds) {
    m_key.profile.reset();
    m_key.pack = id;
    m_key.sounds = std::move(sounds);
    rebuildKeys();
}

void SoundPlayer::setReleaseSounds(bool on) {
    const bool changed = on != m_releaseSounds;
    m_releaseSounds = on;
    // A built-in press includes its return stroke when releases are off.
    if (changed && m_key.profile) {
        setKeyProfile(m_key.profile);
    }
}

void SoundPlayer::rebuildKeys() {
    clearPool(m_key);
    if (m_key.sounds.sample) {
        m_key.players = buildPlayerPool(m_key.sounds.sample, kKeyPoolSize);
    }
    applyVolume(m_key);
    applyVolume(m_mouse);
    m_letterCount = 0;
    for (const std::uint16_t code : kLetterCodes) {
        if (!m_key.sounds.press[code].isEmpty()) {
            m_letters[m_letterCount++] = code;
        }
    }
}

std::uint16_t SoundPlayer::randomLetter() {
    if (m_letterCount == 0) {
        return 0;  // the fallback press: every letter sounds alike
    }
    return m_letters[m_letterCount > 1 ? m_random.below(m_letterCount) : 0];
}

std::optional<KeySoundSet> SoundPlayer::builtInKeySounds(SoundProfile profile) {
    return quib::builtInKeySounds(profile, m_releaseSounds,
                                  [this](std::string_view name) { return loadSound(name); });
}

void SoundPlayer::playKeyClick() {
    playKeyClip(m_key.sounds.anyPress(), 0.0F);
}

void SoundPlayer::playKeyPress(std::uint16_t keyCode) {
    if (keyCode == 0) {
        playKeyClip(m_key.sounds.pressOf(randomLetter()), 0.0F);
        return;
    }
    playKeyClip(m_key.sounds.pressOf(keyCode), keyboardPosition(keyCode) * m_stereoWidth);
}

void SoundPlayer::playKeyRelease(std::uint16_t keyCode) {
    if (!m_releaseSounds) {
        return;
    }
    if (keyCode == 0) {
        playKeyClip(m_key.sounds.releaseOf(randomLetter()), 0.0F);
        return;
    }
    playKeyClip(m_key.sounds.releaseOf(keyCode), keyboardPosition(keyCode) * m_stereoWidth);
}

void SoundPlayer::playKeyClip(ClipRange range, float pan) {
    if (range.isEmpty() || m_key.players.empty() || m_silenced) {
        return;
    }
    const auto take = range.count > 1 ? m_random.below(range.count) : 0;
    const SoundClip clip = m_key.sounds.clips[range.first + take];
    if (clip.frames <= 0) {
        return;
    }
    const float rate =
        m_key.sounds.variesRate ? randomRate(m_random, kKeyLowerRate, kKeyUpperRate) : 1.0F;
    m_engine.playClip(nextPlayer(m_key), PlayOptions{rate, pan, clip.start, clip.frames});
}

}  // namespace quib
