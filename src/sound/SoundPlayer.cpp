#include "sound/SoundPlayer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/Log.h"
#include "platform/Paths.h"

namespace quib {

namespace {

constexpr std::uint64_t kRateSteps = std::uint64_t{1} << 24;
constexpr float kKeyLowerRate = 0.93F;
constexpr float kKeyUpperRate = 1.07F;
constexpr float kMouseLowerRate = 0.95F;
constexpr float kMouseUpperRate = 1.05F;

std::optional<std::filesystem::path> findSoundUrl(std::string_view name) {
    return findResource("Sounds", std::string(name), "wav");
}

}  // namespace

float randomRate(RandomSource& random, float lowerRate, float upperRate) {
    const std::uint64_t r = random.below(kRateSteps + 1);
    if (r == kRateSteps) {
        return upperRate;
    }
    return lowerRate + (static_cast<float>(r) * 0x1p-24F) * (upperRate - lowerRate);
}

SoundPlayer::SoundPlayer(AudioEngine& engine, RandomSource& random,
                         std::optional<SoundProfile> keyProfile,
                         std::optional<SoundProfile> mouseProfile)
    : m_engine(engine), m_random(random) {
    m_key.profile = keyProfile;
    m_mouse.profile = mouseProfile;
    setKeyProfile(keyProfile);
    setMouseProfile(mouseProfile);
}

SoundPlayer::~SoundPlayer() {
    releasePool(m_key);
    releasePool(m_mouse);
}

void SoundPlayer::setKeyVolume(float volume) {
    m_key.volume = volume;
    applyVolume(m_key);
}

void SoundPlayer::setMouseVolume(float volume) {
    m_mouse.volume = volume;
    applyVolume(m_mouse);
}

void SoundPlayer::setVolume(float volume) {
    setKeyVolume(volume);
    setMouseVolume(volume);
}

void SoundPlayer::setKeyProfile(std::optional<SoundProfile> profile) {
    m_key.profile = profile;
    rebuild(m_key, profile ? std::optional(keyFile(*profile)) : std::nullopt);
}

void SoundPlayer::setMouseProfile(std::optional<SoundProfile> profile) {
    m_mouse.profile = profile;
    rebuild(m_mouse, profile ? std::optional(mouseFile(*profile)) : std::nullopt);
}

void SoundPlayer::setStereoWidth(float width) {
    m_stereoWidth = std::isnan(width) ? 0.0F : std::clamp(width, 0.0F, 1.0F);
}

void SoundPlayer::releasePool(Channel& channel) {
    for (const PlayerHandle player : channel.players) {
        m_engine.releasePlayer(player);
    }
    channel.players.clear();
}

void SoundPlayer::rebuild(Channel& channel, std::optional<std::string_view> fileName) {
    for (const PlayerHandle player : channel.players) {
        m_engine.stop(player);
    }
    releasePool(channel);
    channel.index = 0;
    if (!fileName) {
        return;
    }
    channel.players = buildPlayerPool(*fileName);
    applyVolume(m_key);
    applyVolume(m_mouse);
}

std::vector<PlayerHandle> SoundPlayer::buildPlayerPool(std::string_view fileName) {
    const auto url = findSoundUrl(fileName);
    if (!url) {
        logLine("Sound not found: ", fileName);
        return {};
    }
    // One decoded sample serves the whole pool.
    SampleLoad load = m_engine.loadSample(*url);
    if (!load.sample) {
        logLine("Sound could not be loaded: ", load.error);
        return {};
    }
    std::vector<PlayerHandle> players;
    players.reserve(kPoolSize);
    for (std::size_t attempt = 0; attempt < kPoolSize; ++attempt) {
        // A player that cannot be made is skipped: the pool is just smaller.
        if (const PlayerHandle player = m_engine.preparePlayer(load.sample); player.isValid()) {
            players.push_back(player);
        }
    }
    return players;
}

void SoundPlayer::applyVolume(const Channel& channel) {
    for (const PlayerHandle player : channel.players) {
        m_engine.setVolume(player, channel.volume);
    }
}

void SoundPlayer::playKeyClick() {
    playClick(m_key, kKeyLowerRate, kKeyUpperRate);
}

void SoundPlayer::playKeyPress(std::uint16_t keyCode) {
    (void)keyCode;  // every key plays the profile's click for now
    playKeyClick();
}

void SoundPlayer::playKeyRelease(std::uint16_t keyCode) {
    (void)keyCode;  // no release sounds yet
}

void SoundPlayer::playMouseClick() {
    playClick(m_mouse, kMouseLowerRate, kMouseUpperRate);
}

void SoundPlayer::playClick(Channel& channel, float lowerRate, float upperRate) {
    if (channel.players.empty() || m_silenced) {
        return;
    }
    const auto size = static_cast<std::int64_t>(channel.players.size());
    const PlayerHandle player = channel.players[static_cast<std::size_t>(channel.index % size)];
    ++channel.index;
    m_engine.setRate(player, randomRate(m_random, lowerRate, upperRate));
    m_engine.play(player);
}

}  // namespace quib
