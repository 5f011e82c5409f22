#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/audio/AudioEngine.h"

namespace quib::test {

// Records every call the players make, in order, so tests can check which
// player got which rate and volume without rendering audio.
class FakeAudioEngine final : public AudioEngine {
  public:
    struct Call {
        std::string operation;
        std::uint32_t player = 0;
        float value = 0.0F;
    };

    SampleLoad loadSample(const std::filesystem::path& file) override {
        loadedFiles.push_back(file);
        if (failLoads) {
            return SampleLoad{nullptr, file.filename().string() + ": broken"};
        }
        auto sample = std::make_shared<Sample>();
        sample->channels = 1;
        sample->frames = 4;
        sample->data = {0.5F, 0.5F, 0.5F, 0.5F};
        return SampleLoad{sample, {}};
    }
    PlayerHandle preparePlayer(std::shared_ptr<const Sample> sample) override {
        if (!sample || playersLeft == 0) {
            return {};
        }
        --playersLeft;
        samples.push_back(sample);
        const auto index = static_cast<std::uint32_t>(samples.size() - 1);
        record("prepare", PlayerHandle{index, 1}, 0.0F);
        return PlayerHandle{index, 1};
    }
    void releasePlayer(PlayerHandle player) override { record("release", player, 0.0F); }
    void play(PlayerHandle player) override { record("play", player, 0.0F); }
    void playClip(PlayerHandle player, const PlayOptions& options) override {
        record("playClip", player, options.rate);
        clipPlays.push_back(options);
    }
    void stop(PlayerHandle player) override { record("stop", player, 0.0F); }
    void setVolume(PlayerHandle player, float volume) override { record("volume", player, volume); }
    void setRate(PlayerHandle player, float rate) override { record("rate", player, rate); }
    void setLooping(PlayerHandle player, LoopMode mode) override {
        record("loop", player, mode == LoopMode::endless ? 1.0F : 0.0F);
    }
    EngineResult startGenerator(std::shared_ptr<SignalGenerator> started) override {
        generator = std::move(started);
        calls.push_back(Call{"startGenerator", 0, 0.0F});
        return failGenerator ? EngineResult{false, "device busy"} : EngineResult{};
    }
    void stopGenerator() override {
        generator.reset();
        calls.push_back(Call{"stopGenerator", 0, 0.0F});
    }
    void setGeneratorGain(float gain) override {
        generatorGain = gain;
        calls.push_back(Call{"generatorGain", 0, gain});
    }
    void reopenDevice() override { calls.push_back(Call{"reopenDevice", 0, 0.0F}); }

    // Every play, whole or of a clip, from call `from` on.
    int plays(std::size_t from = 0) const {
        int count = 0;
        for (std::size_t i = from; i < calls.size(); ++i) {
            count += calls[i].operation == "play" || calls[i].operation == "playClip" ? 1 : 0;
        }
        return count;
    }

    std::vector<Call> callsOf(const std::string& operation) const {
        std::vector<Call> found;
        for (const Call& call : calls) {
            if (call.operation == operation) {
                found.push_back(call);
            }
        }
        return found;
    }

    std::vector<Call> calls;
    std::vector<PlayOptions> clipPlays;  // the options of every playClip, in order
    std::vector<std::filesystem::path> loadedFiles;
    std::vector<std::shared_ptr<const Sample>> samples;
    std::shared_ptr<SignalGenerator> generator;
    float generatorGain = -1.0F;
    bool failLoads = false;
    bool failGenerator = false;
    int playersLeft = 1000;

  private:
    void record(const char* operation, PlayerHandle player, float value) {
        calls.push_back(Call{operation, player.index, value});
    }
};

}  // namespace quib::test
