#pragma once

// Audio-thread rules. render() runs on the output's real-time thread and does
// nothing but mix. On that thread: no locks, no allocation or freeing, no
// logging, no system calls, no waiting. Everything it needs is prepared on
// the main thread: samples are decoded and converted to the output rate when
// they are loaded, streamed sounds arrive through lock-free rings, and every
// buffer is sized when the mixer is built.
//
// Main thread -> audio thread: a bounded single-producer single-consumer
// command queue. A full queue refuses the command; the engine drops a play
// and counts it, and keeps lifecycle commands for the next call. Volumes
// and the generator gain are std::atomic<float> written with release and read
// with acquire, so a volume change never waits for the queue.
//
// The mixer keeps a fixed array of voices; a play with no free voice takes
// over the oldest. Gain changes ramp over a few milliseconds, voices fade in
// and out over a millisecond or two, the sum gets a little headroom and is
// clipped once at the end.
//
// Memory handed to the mixer (samples, rings, the generator) stays owned by
// the main thread; it may be freed once processedSequence() has passed the
// sequence number of the command that let go of it.

#include <array>
#include <atomic>
#include <cstdint>

#include "platform/audio/AudioEngine.h"
#include "platform/audio/SpscQueue.h"
#include "platform/audio/StreamRing.h"

namespace quib {

inline constexpr std::uint32_t kMaxPlayers = 128;
inline constexpr int kMaxVoices = 32;
inline constexpr int kMixerBlockFrames = 256;

struct MixerCommand {
    enum class Type : std::uint8_t {
        attach,  // give a player its sound (sample data or a stream ring)
        detach,
        play,
        stop,
        setRate,
        setLooping,
        startGenerator,
        stopGenerator,
    };
    Type type = Type::stop;
    std::uint32_t player = 0;
    float value = 0.0F;
    const Sample* sample = nullptr;
    StreamRing* ring = nullptr;
    SignalGenerator* generator = nullptr;
    std::uint64_t sequence = 0;
};

class Mixer {
  public:
    Mixer();

    // Main thread.
    bool push(const MixerCommand& command) { return m_commands.push(command); }
    void setPlayerVolume(std::uint32_t player, float volume);
    void setGeneratorGain(float gain) { m_generatorGain.store(gain, std::memory_order_release); }
    bool hasPendingCommands() const { return !m_commands.empty(); }

    // Audio thread (or whoever currently owns the consumer side). Fills
    // frames * 2 interleaved samples.
    void render(float* output, int frames);
    // With no device: applies every pending command, then silences every
    // voice, so the main side can free what it retired.
    void discardPendingCommands();
    // With the device closed, on the thread that closed it or holds it
    // closed: applies pending commands so that retired memory can be freed;
    // started voices wait for the next render.
    void applyPendingCommands() { applyCommands(); }

    std::uint64_t processedSequence() const {
        return m_processedSequence.load(std::memory_order_acquire);
    }
    // Frames rendered since the mixer last produced sound, and whether a
    // looping or generated sound is running: the device policy reads these.
    bool isSounding() const { return m_sounding.load(std::memory_order_acquire); }
    std::uint64_t underruns() const { return m_underruns.load(std::memory_order_relaxed); }

  private:
    struct Player {
        const Sample* sample = nullptr;
        StreamRing* ring = nullptr;
        float rate = 1.0F;
        bool looping = false;
        int voice = -1;
    };
    enum class VoiceState : std::uint8_t { free, playing, releasing };
    struct Voice {
        VoiceState state = VoiceState::free;
        std::uint32_t player = 0;
        const Sample* sample = nullptr;
        StreamRing* ring = nullptr;
        double position = 0.0;
        float rate = 1.0F;
        bool looping = false;
        float gain = 0.0F;
        float envelope = 0.0F;
        std::uint64_t startOrder = 0;
    };

    void applyCommands();
    void apply(const MixerCommand& command);
    void startVoice(std::uint32_t player);
    void releaseVoice(std::uint32_t player);
    int takeVoice();
    void renderBlock(float* output, int frames);
    bool mixVoice(Voice& voice, int frames);
    bool advanceEnvelope(Voice& voice);
    void readMemoryFrame(Voice& voice, float& left, float& right);
    bool readStreamFrames(Voice& voice, int frames);
    void mixGenerator(int frames);
    float nextGeneratorSample();

    SpscQueue<MixerCommand, 1024> m_commands;
    std::array<std::atomic<float>, kMaxPlayers> m_volumes{};
    std::atomic<float> m_generatorGain{1.0F};
    std::atomic<std::uint64_t> m_processedSequence{0};
    std::atomic<bool> m_sounding{false};
    std::atomic<std::uint64_t> m_underruns{0};

    std::array<Player, kMaxPlayers> m_players{};
    std::array<Voice, kMaxVoices> m_voices{};
    std::uint64_t m_startCounter = 0;
    std::array<float, kMixerBlockFrames * 2> m_mix{};
    std::array<float, kMixerBlockFrames * 2> m_streamScratch{};

    SignalGenerator* m_generator = nullptr;
    float m_generatorCurrentGain = 0.0F;
    std::array<float, 64> m_generatorBuffer{};
    std::size_t m_generatorRead = 0;
    double m_generatorStep = 1.0;
    double m_generatorFraction = 1.0;
    float m_generatorPrevious = 0.0F;
    float m_generatorNext = 0.0F;
};

}  // namespace quib
