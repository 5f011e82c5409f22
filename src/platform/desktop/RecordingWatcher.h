#pragma once

#include <functional>

namespace quib {

// Whether another program is recording from a microphone (a call, a voice
// message, dictation): the controller mutes the clicks meanwhile, so they do
// not leak into what is recorded. Main thread only.
class RecordingWatcher {
  public:
    virtual ~RecordingWatcher() = default;
    virtual bool isRecording() const = 0;
    // Called on the main thread when isRecording() changes.
    std::function<void(bool recording)> onRecordingChanged;
};

// For desktops without an audio server (and tests): never recording.
class NullRecordingWatcher final : public RecordingWatcher {
  public:
    bool isRecording() const override { return false; }
};

}  // namespace quib
