// The keyboard channel of the click player: building what it plays, and
// playing a key's press or release where the key sits.
#include "sound/BuiltInKeySounds.h"
#include "sound/KeyLayout.h"
#include "sound/SoundPlayer.h"

namespace quib {

namespace {

constexpr float kKeyLowerRate = 0.93F;
constexpr float kKeyUpperRate = 1.07F;

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
}

std::optional<KeySoundSet> SoundPlayer::builtInKeySounds(SoundProfile profile) {
    return quib::builtInKeySounds(profile, m_releaseSounds,
                                  [this](std::string_view name) { return loadSound(name); });
}

void SoundPlayer::playKeyClick() {
    playKeyClip(m_key.sounds.anyPress(), 0.0F);
}

void SoundPlayer::playKeyPress(std::uint16_t keyCode) {
    playKeyClip(m_key.sounds.pressOf(keyCode), keyboardPosition(keyCode) * m_stereoWidth);
}

void SoundPlayer::playKeyRelease(std::uint16_t keyCode) {
    if (m_releaseSounds) {
        playKeyClip(m_key.sounds.releaseOf(keyCode), keyboardPosition(keyCode) * m_stereoWidth);
    }
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
