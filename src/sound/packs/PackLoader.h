#pragma once

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "sound/packs/SoundPack.h"

namespace quib {

// Checks and decodes packs on a worker thread of its own, so that the thread
// that asks (the main thread, which also handles keys) never waits on files
// or decoding. One load at a time; a newer request replaces one that has not
// started, and the result of a request overtaken by a newer one (or by
// cancel) is dropped. The result reaches `done` through `deliver`, which
// must run the task it is given on the asking thread (a queued call); until
// then, whatever played before keeps playing.
class PackLoader {
  public:
    using Task = std::function<void()>;
    using Deliver = std::function<void(Task)>;
    using Done = std::function<void(const std::string& id, PackLoad load)>;

    explicit PackLoader(Deliver deliver);
    // Waits for the load in progress; its result is dropped.
    ~PackLoader();
    PackLoader(const PackLoader&) = delete;
    PackLoader& operator=(const PackLoader&) = delete;

    // With `matchLoudness`, the pack plays as loud as the built-in profiles
    // (measured on the worker at the first such load); without, as recorded.
    void load(const std::string& id, const std::filesystem::path& directory, bool matchLoudness,
              Done done);
    // Drops every request made so far, started or not.
    void cancel();
    // A request is waiting, being decoded, or delivered and not yet run.
    bool isLoading() const;
    // The id of the newest request still loading; empty when none is.
    std::string loadingId() const;

  private:
    struct Request {
        std::string id;
        std::filesystem::path directory;
        bool matchLoudness = true;
        Done done;
        std::uint64_t generation = 0;
    };
    // Shared with the tasks handed to `deliver`, which may run after the
    // loader is gone.
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::optional<Request> next;
        std::uint64_t generation = 0;  // of the newest request
        std::string loadingId;         // empty once it is delivered or dropped
        bool stopping = false;
    };

    void run();

    std::shared_ptr<State> m_state;
    Deliver m_deliver;
    std::thread m_worker;
};

}  // namespace quib
