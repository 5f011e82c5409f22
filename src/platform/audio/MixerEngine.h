#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/DeviceKeeper.h"
#include "platform/audio/Mixer.h"

namespace quib {

class AudioStream;
class StreamReader;

struct EngineStatistics {
    std::uint64_t droppedCommands = 0;
    std::uint64_t underruns = 0;
    DeviceStatistics device;
};

// The engine every sound goes through: players and the generator on top of
// one real-time mixer. With an output, a keeper thread opens the device on
// demand and closes it when idle (see DevicePolicy). Without one (offline),
// nothing runs by itself: render() mixes on the caller's thread, for tests
// and benchmarks.
//
// Known limits: at most kMaxPlayers players and kMaxVoices voices sounding
// at once; streamed sounds play at rate 1, and a streamed player that is
// played again reopens its file from the start.
class MixerEngine final : public AudioEngine {
  public:
    MixerEngine();  // offline
    MixerEngine(std::unique_ptr<AudioOutput> output, DevicePolicy policy);
    ~MixerEngine() override;
    MixerEngine(const MixerEngine&) = delete;
    MixerEngine& operator=(const MixerEngine&) = delete;

    SampleLoad loadSample(const std::filesystem::path& file) override;
    PlayerHandle preparePlayer(std::shared_ptr<const Sample> sample) override;
    void releasePlayer(PlayerHandle player) override;
    void play(PlayerHandle player) override;
    void playClip(PlayerHandle player, const PlayOptions& options) override;
    void stop(PlayerHandle player) override;
    void setVolume(PlayerHandle player, float volume) override;
    void setRate(PlayerHandle player, float rate) override;
    void setLooping(PlayerHandle player, LoopMode mode) override;
    EngineResult startGenerator(std::shared_ptr<SignalGenerator> generator) override;
    void stopGenerator() override;
    void setGeneratorGain(float gain) override;
    void reopenDevice() override;

    // Offline engines only: mixes frames of interleaved stereo into output.
    void render(float* output, int frames);
    EngineStatistics statistics() const;
    // The device keeper, absent offline (benchmarks arm its latency probe).
    DeviceKeeper* deviceKeeper() { return m_keeper.get(); }

  private:
    struct PlayerSlot {
        std::uint32_t generation = 0;
        bool inUse = false;
        bool looping = false;
        bool streamPlayed = false;
        std::shared_ptr<const Sample> sample;
        std::shared_ptr<AudioStream> stream;
    };
    struct Retired {
        std::uint64_t sequence = 0;
        std::shared_ptr<const Sample> sample;
        std::shared_ptr<AudioStream> stream;
        std::shared_ptr<SignalGenerator> generator;
    };
    enum class Delivery { mayDrop, mustArrive };

    PlayerSlot* find(PlayerHandle player);
    void sendPlay(PlayerHandle player, MixerCommand command);
    std::uint64_t send(MixerCommand command, Delivery delivery);
    bool flushBacklog();
    void collectRetired();
    bool attachStream(std::uint32_t index, PlayerSlot& slot);
    void retire(Retired retired);

    Mixer m_mixer;
    std::unique_ptr<DeviceKeeper> m_keeper;
    std::unique_ptr<StreamReader> m_reader;
    std::vector<PlayerSlot> m_slots;
    std::deque<MixerCommand> m_backlog;
    std::vector<Retired> m_retired;
    std::shared_ptr<SignalGenerator> m_generator;
    std::uint64_t m_nextSequence = 1;
    std::uint64_t m_dropped = 0;
    std::uint32_t m_nextGeneration = 1;
};

}  // namespace quib
