#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quib {

// The sample rate and channel count of everything the mixer produces.
inline constexpr int kOutputSampleRate = 48000;
inline constexpr int kOutputChannels = 2;

// A decoded sound, immutable once loaded, shared by every player made from it.
// Short files are held in memory as interleaved frames already converted to
// the output rate: float, or 16-bit with a gain where memory counts more than
// the last bits (a sound pack holds minutes of clicks); long ones (music, long
// ambiences) are only described here and streamed from disk while they play,
// which keeps memory flat.
struct Sample {
    int channels = 0;                    // 1 or 2
    std::int64_t frames = 0;             // length at the output rate
    std::vector<float> data;             // interleaved; empty when streamed or held in 16 bits
    std::vector<std::int16_t> pcm16;     // interleaved; used when `data` is empty
    float pcm16Gain = 1.0F / 32767.0F;   // what one step of `pcm16` plays as
    std::filesystem::path streamedFile;  // set when the sound is streamed
    int fileSampleRate = 0;              // the rate found in the file

    bool isStreamed() const { return !streamedFile.empty(); }
    bool isPcm16() const { return data.empty() && !pcm16.empty(); }
};

struct SampleLoad {
    std::shared_ptr<const Sample> sample;  // null on failure
    std::string error;                     // readable text for the log on failure
};

// A player made by AudioEngine::preparePlayer. The generation makes a handle
// that outlived its player inert: every operation on it does nothing.
struct PlayerHandle {
    std::uint32_t index = 0;
    std::uint32_t generation = 0;  // 0 never names a player

    bool isValid() const { return generation != 0; }
};

enum class LoopMode : std::uint8_t { once, endless };

// One play of a one-shot sound held in memory: its speed, its place between
// the speakers and the part of the sample it plays (a key's click in a pack
// that keeps all of its sounds in one sample).
struct PlayOptions {
    float rate = 1.0F;
    // -1 (left only) ... 0 (both channels at full level) ... 1 (right only):
    // the far channel is turned down, the near one stays as recorded.
    float pan = 0.0F;
    std::int64_t startFrame = 0;
    std::int64_t frameCount = 0;  // 0: to the end of the sample
};

// The one generated voice (brown noise): the mixer pulls mono float samples at
// the generator's own rate and converts them to the output rate. render runs
// on the audio thread: it must not allocate, lock, log or wait.
class SignalGenerator {
  public:
    virtual ~SignalGenerator() = default;
    virtual int sampleRate() const = 0;
    virtual void render(std::span<float> output) = 0;
};

struct EngineResult {
    bool succeeded = true;
    std::string error;
};

// Every sound of the program goes through one engine. All operations are for
// the main thread; they never wait for the audio thread. The engine must
// outlive every player object (SoundPlayer, AmbientEngine) built on it. Values are sanitised
// here: a volume that is NaN or negative becomes 0, above 1 becomes 1; a rate
// is held within 0.25 ... 4 (NaN counts as 0 first).
class AudioEngine {
  public:
    virtual ~AudioEngine() = default;

    // Decodes a file (WAV, CAF, FLAC, Ogg; mono or stereo; any rate). Slow:
    // call it when a sound is chosen, never when it plays.
    virtual SampleLoad loadSample(const std::filesystem::path& file) = 0;

    // A player on a loaded sample; an invalid handle when the sample is null
    // or every player slot is taken.
    virtual PlayerHandle preparePlayer(std::shared_ptr<const Sample> sample) = 0;
    // A player that still sounds fades out first, like a stop.
    virtual void releasePlayer(PlayerHandle player) = 0;

    // Plays from the start; a player that still sounds starts over.
    virtual void play(PlayerHandle player) = 0;
    // Plays with these options instead of the player's rate, centred and
    // whole; a player that still sounds starts over. Streamed sounds ignore
    // the options. Pan and part are sanitised like volumes (NaN pans to the
    // middle; a part is held within the sample).
    virtual void playClip(PlayerHandle player, const PlayOptions& options) = 0;
    // Fades the sound out over about 10 ms, so that it never ends mid-wave.
    virtual void stop(PlayerHandle player) = 0;
    virtual void setVolume(PlayerHandle player, float volume) = 0;
    // Speed and pitch together; streamed sounds always play at rate 1.
    virtual void setRate(PlayerHandle player, float rate) = 0;
    virtual void setLooping(PlayerHandle player, LoopMode mode) = 0;

    // Hosts the one generator voice; starting replaces any running generator.
    // A stopped generator fades out like a stopped player; the engine keeps it
    // alive until the audio thread let go of it.
    virtual EngineResult startGenerator(std::shared_ptr<SignalGenerator> generator) = 0;
    virtual void stopGenerator() = 0;
    virtual void setGeneratorGain(float gain) = 0;

    // After a system sleep an open output may be dead without reporting it:
    // the engine reopens an open device (keeping every voice), and a closed
    // one stays closed until the next sound. Never waits.
    virtual void reopenDevice() {}
};

float sanitizeVolume(float volume);
float sanitizeRate(float rate);

}  // namespace quib
