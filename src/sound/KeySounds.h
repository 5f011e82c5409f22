#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/AudioEngine.h"

namespace quib {

// A part of a sample: the sound of one key press or release.
struct SoundClip {
    std::int64_t start = 0;   // first frame
    std::int64_t frames = 0;  // length; 0 is never a clip
};

// The clips a key may play, clips[first] .. clips[first + count - 1]: more
// than one when a pack gives a key several takes ({1-5}); one is picked at
// random per press. count 0: the key has none of its own.
struct ClipRange {
    std::uint16_t first = 0;
    std::uint16_t count = 0;

    bool isEmpty() const { return count == 0; }
};

// Everything the keyboard channel plays, prepared before the first key:
// one sample holding every sound of the profile or pack, and per key code the
// clips of its press and of its release. Looking a key up is two array reads,
// so the input path never allocates, locks or touches a file.
struct KeySoundSet {
    // evdev key codes below this have their own entries (every key of a
    // keyboard); higher ones play the fallbacks.
    static constexpr std::size_t kKeyCodes = 256;

    std::shared_ptr<const Sample> sample;
    std::vector<SoundClip> clips;
    std::array<ClipRange, kKeyCodes> press{};
    std::array<ClipRange, kKeyCodes> release{};
    ClipRange pressFallback;    // keys without a press of their own
    ClipRange releaseFallback;  // keys without a release of their own
    // Built-in clicks vary their pitch a little per press, as a real board
    // does; a pack's recordings play as recorded.
    bool variesRate = true;

    ClipRange pressOf(std::uint16_t code) const {
        return code < kKeyCodes && !press[code].isEmpty() ? press[code] : pressFallback;
    }
    ClipRange releaseOf(std::uint16_t code) const {
        return code < kKeyCodes && !release[code].isEmpty() ? release[code] : releaseFallback;
    }
    bool hasReleases() const;
    // Keys with a press of their own.
    int ownKeys() const;
    // A press for a click of no key in particular: the fallback, else the
    // space bar's, else the first key's. Empty when there is no press at all.
    ClipRange anyPress() const;
};

// A part of a decoded sample that goes into a set.
struct SoundPart {
    std::shared_ptr<const Sample> sample;
    SoundClip part;  // within the sample

    static SoundPart whole(std::shared_ptr<const Sample> sample);
};

// How a joined sample holds its frames: float as decoded, or 16-bit (half
// the memory; what a pack's recordings mostly were anyway).
enum class SampleStorage : std::uint8_t { float32, pcm16 };

// The parts one after the other in one sample (in the most channels any of
// them has), each one clip, in order; no press or release is set yet.
// Samples streamed from disk count as empty. Every value plays `gain` times
// as loud as in its part (16-bit values are stored as recorded, held within
// full scale, and the gain applied as they play).
KeySoundSet joinSounds(const std::vector<SoundPart>& parts,
                       SampleStorage storage = SampleStorage::float32, float gain = 1.0F);

}  // namespace quib
