#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/audio/StreamRing.h"

struct sf_private_tag;

namespace quib {

// One playing instance of a streamed sound: an open file, a linear rate
// converter and the ring the mixer reads. Opening primes the ring so the
// sound starts at once; the reader thread keeps it topped up. Looping is
// seamless: the file is rewound inside the converter's input.
class AudioStream {
  public:
    static std::shared_ptr<AudioStream> open(const Sample& sample, std::string& error);
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    StreamRing& ring() { return m_ring; }
    void setLooping(bool looping) { m_looping.store(looping, std::memory_order_release); }
    // Reader thread: tops up the ring; false once the stream has ended.
    bool fill();

  private:
    AudioStream(sf_private_tag* file, int channels, int fileRate);
    bool pullFrame(float* frame);
    bool refillInput();

    sf_private_tag* m_file;
    int m_channels;
    double m_step;
    StreamRing m_ring;
    std::atomic<bool> m_looping{false};
    bool m_ended = false;
    std::vector<float> m_input;
    std::size_t m_inputFrames = 0;
    std::size_t m_inputRead = 0;
    std::vector<float> m_output;
    float m_previous[2] = {0.0F, 0.0F};
    float m_next[2] = {0.0F, 0.0F};
    double m_fraction = 0.0;
};

// The thread that feeds every playing stream. It sleeps while nothing
// streams and wakes every 20 ms otherwise; each ring holds half a second.
class StreamReader {
  public:
    StreamReader();
    ~StreamReader();
    StreamReader(const StreamReader&) = delete;
    StreamReader& operator=(const StreamReader&) = delete;

    void add(std::shared_ptr<AudioStream> stream);
    void remove(const AudioStream* stream);

  private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::shared_ptr<AudioStream>> m_streams;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace quib
