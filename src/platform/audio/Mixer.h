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
// and the generator gain are atomics written with release and read with
// acquire, so a volume change never waits for the queue. A player's volume
// carries the generation of the player it was set for: a voice left over
// from the slot's previous owner keeps its own level.
//
// The mixer keeps a fixed array of voices; a play with no free voice takes
// over a fading voice, else the oldest one-shot; a loop is never taken over,
// so the engine's list of playing loops stays true. Gain changes ramp over a
// few milliseconds, voices fade in over under a millisecond, a restarted
// voice fades out over 2 ms, a voice that plays a part of its sample fades
// out over the part's last 2 ms, and every stop (of a voice, a detached player or
// the generator) fades out over 10 ms so that nothing is cut mid-wave. The
// sum gets a little headroom and is clipped once at the end.
//
// Memory handed to the mixer (samples, rings, the generator) stays owned by
// the main thread; it may be freed once releasedSequence() has reached the
// sequence number of the command that let go of it. That watermark waits
// for the fade-out of every voice still reading the memory, so the audio
// thread never frees anything and the main thread never frees too early.

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
    std::uint32_t generation = 0;  // attach: the player's generation, for its volume
    // play: value is the rate (0 keeps the player's), then where it sounds
    // and the part of the sample (frames 0: to the end).
    float pan = 0.0F;
    std::int64_t start = 0;
    std::int64_t frames = 0;
};

class Mixer {
  public:
    Mixer();

    // Main thread.
    bool push(const MixerCommand& command) { return m_commands.push(command); }
    void setPlayerVolume(std::uint32_t player, std::uint32_t generation, float volume);
    void setGeneratorGain(float gain) { m_generatorGain.store(gain, std::memory_order_release); }
    bool hasPendingCommands() const { return !m_commands.empty(); }

    // Audio thread (or whoever currently owns the consumer side). Fills
    // frames * 2 interleaved samples; true when a voice started at the
    // first frame.
    bool render(float* output, int frames);
    // With no device: applies every pending command, then silences every
    // voice, so the main side can free what it retired.
    void discardPendingCommands();
    // With the device closed, on the thread that closed it or holds it
    // closed: applies pending commands so that retired memory can be freed;
    // started voices wait for the next render.
    void applyPendingCommands() { applyCommands(); }

    // Every command up to this sequence has been applied, and no voice reads
    // memory that one of them let go of.
    std::uint64_t releasedSequence() const {
        return m_releasedSequence.load(std::memory_order_acquire);
    }
    // Frames rendered since the mixer last produced sound, and whether a
    // looping or generated sound is running: the device policy reads these.
    bool isSounding() const { return m_sounding.load(std::memory_order_acquire); }
    // Whether a looping, streamed or generated sound ran in the last block.
    bool isLasting() const { return m_lasting.load(std::memory_order_acquire); }
    std::uint64_t underruns() const { return m_underruns.load(std::memory_order_relaxed); }

  private:
    // Full-scale gain changes take 5 ms; a voice fades in over 0.7 ms (short
    // enough to keep the click's attack), a restarted voice fades out over
    // 2 ms and a stopped one over 10 ms.
    static constexpr float kGainStep = 1.0F / 240.0F;
    static constexpr float kFadeInStep = 1.0F / 32.0F;
    static constexpr float kRestartFadeStep = 1.0F / 96.0F;
    static constexpr float kStopFadeStep = 1.0F / 480.0F;
    static constexpr double kPartTailFrames = 96.0;

    struct Player {
        const Sample* sample = nullptr;
        StreamRing* ring = nullptr;
        std::uint32_t generation = 0;
        float rate = 1.0F;
        bool looping = false;
        int voice = -1;
        // The next play's place and part.
        float pan = 0.0F;
        std::int64_t start = 0;
        std::int64_t frames = 0;
    };
    enum class VoiceState : std::uint8_t { free, playing, releasing };
    struct Voice {
        VoiceState state = VoiceState::free;
        std::uint32_t player = 0;
        std::uint32_t generation = 0;
        const Sample* sample = nullptr;
        StreamRing* ring = nullptr;
        double position = 0.0;
        double end = 0.0;      // a one-shot stops here: the sample's end, or its part's
        bool partial = false;  // ends before the sample does, so it fades out
        float rate = 1.0F;
        float leftGain = 1.0F;  // the pan
        float rightGain = 1.0F;
        bool looping = false;
        float gain = 0.0F;
        float target = 0.0F;  // the last volume set for this voice's player
        float envelope = 0.0F;
        float fadeStep = 0.0F;
        std::uint64_t startOrder = 0;
        std::uint64_t heldBy = 0;  // the command that let go of this voice's memory
    };
    // The generator voice; a second one lets a stopped generator fade out
    // while the next one starts.
    struct Generator {
        SignalGenerator* source = nullptr;
        bool releasing = false;
        std::uint64_t heldBy = 0;
        float gain = 0.0F;
        float envelope = 0.0F;
        std::array<float, 64> buffer{};
        std::size_t read = 0;
        double step = 1.0;
        double fraction = 1.0;
        float previous = 0.0F;
        float next = 0.0F;
    };

    void applyCommands();
    void apply(const MixerCommand& command);
    void startVoice(std::uint32_t player, float rate);
    void releaseVoice(std::uint32_t player, float fadeStep);
    void letGoOfPlayer(std::uint32_t player, std::uint64_t sequence);
    int takeVoice();
    void readTarget(Voice& voice) const;
    void startGenerator(const MixerCommand& command);
    void stopGenerator(std::uint64_t sequence);
    void publishReleased();
    void renderBlock(float* output, int frames);
    bool mixVoice(Voice& voice, int frames);
    bool advanceEnvelope(Voice& voice);
    static void placeVoice(Voice& voice, const Player& player);
    void readMemoryFrame(Voice& voice, float& left, float& right);
    bool readStreamFrames(Voice& voice, int frames);
    bool mixGenerator(Generator& generator, int frames);
    static float nextGeneratorSample(Generator& generator);

    SpscQueue<MixerCommand, 1024> m_commands;
    // Per player: the generation in the high half, the volume's bits in the low.
    std::array<std::atomic<std::uint64_t>, kMaxPlayers> m_volumes{};
    std::atomic<float> m_generatorGain{1.0F};
    std::atomic<std::uint64_t> m_releasedSequence{0};
    std::uint64_t m_appliedSequence = 0;
    std::atomic<bool> m_sounding{false};
    std::atomic<bool> m_lasting{false};
    std::atomic<std::uint64_t> m_underruns{0};

    std::array<Player, kMaxPlayers> m_players{};
    std::array<Voice, kMaxVoices> m_voices{};
    std::uint64_t m_startCounter = 0;
    std::array<float, kMixerBlockFrames * 2> m_mix{};
    std::array<float, kMixerBlockFrames * 2> m_streamScratch{};

    std::array<Generator, 2> m_generators{};
};

}  // namespace quib
