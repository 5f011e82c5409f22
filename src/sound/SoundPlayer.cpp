#include "sound/SoundPlayer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/Log.h"
#include "platform/Paths.h"

namespace quib {

namespace {

constexpr std::uint64_t kRateSteps = std::uint64_t{1} << 24;
constexpr float kMouseLowerRate = 0.95F;
constexpr float kMouseUpperRate = 1.05F;

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

void SoundPlayer::setMouseProfile(std::optional<SoundProfile> profile) {
    m_mouse.profile = profile;
    clearPool(m_mouse);
    if (!profile) {
        return;
    }
    if (auto sample = loadSound(mouseFile(*profile))) {
        m_mouse.players = buildPlayerPool(std::move(sample), kPoolSize);
    }
    applyVolume(m_key);
    applyVolume(m_mouse);
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

// Silences what the channel still plays and gives its players back.
void SoundPlayer::clearPool(Channel& channel) {
    for (const PlayerHandle player : channel.players) {
        m_engine.stop(player);
    }
    releasePool(channel);
    channel.index = 0;
}

std::shared_ptr<const Sample> SoundPlayer::loadSound(std::string_view fileName) {
    const auto url = findResource("Sounds", std::string(fileName), "wav");
    if (!url) {
        logLine("Sound not found: ", fileName);
        return nullptr;
    }
    SampleLoad load = m_engine.loadSample(*url);
    if (!load.sample) {
        logLine("Sound could not be loaded: ", load.error);
    }
    return std::move(load.sample);
}

// One decoded sample serves the whole pool.
std::vector<PlayerHandle> SoundPlayer::buildPlayerPool(std::shared_ptr<const Sample> sample,
                                                       std::size_t size) {
    std::vector<PlayerHandle> players;
    players.reserve(size);
    for (std::size_t attempt = 0; attempt < size; ++attempt) {
        // A player that cannot be made is skipped: the pool is just smaller.
        if (const PlayerHandle player = m_engine.preparePlayer(sample); player.isValid()) {
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

PlayerHandle SoundPlayer::nextPlayer(Channel& channel) {
    const auto size = static_cast<std::int64_t>(channel.players.size());
    const PlayerHandle player = channel.players[static_cast<std::size_t>(channel.index % size)];
    ++channel.index;
    return player;
}

void SoundPlayer::playMouseClick() {
    if (m_mouse.players.empty() || m_silenced) {
        return;
    }
    const PlayerHandle player = nextPlayer(m_mouse);
    m_engine.setRate(player, randomRate(m_random, kMouseLowerRate, kMouseUpperRate));
    m_engine.play(player);
}

}  // namespace quib
