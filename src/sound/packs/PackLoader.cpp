#include "sound/packs/PackLoader.h"

namespace quib {

PackLoader::PackLoader(Deliver deliver)
    : m_state(std::make_shared<State>()),
      m_deliver(std::move(deliver)),
      m_worker([this] { run(); }) {}

PackLoader::~PackLoader() {
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        ++m_state->generation;
        m_state->next.reset();
    }
    m_state->wake.notify_one();
    m_worker.join();
}

void PackLoader::load(const std::string& id, const std::filesystem::path& directory,
                      bool matchLoudness, Done done) {
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->next =
            Request{id, directory, matchLoudness, std::move(done), ++m_state->generation};
        m_state->loadingId = id;
    }
    m_state->wake.notify_one();
}

void PackLoader::cancel() {
    const std::lock_guard lock(m_state->mutex);
    ++m_state->generation;
    m_state->next.reset();
    m_state->loadingId.clear();
}

bool PackLoader::isLoading() const {
    const std::lock_guard lock(m_state->mutex);
    return !m_state->loadingId.empty();
}

std::string PackLoader::loadingId() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->loadingId;
}

void PackLoader::run() {
    for (;;) {
        Request request;
        {
            std::unique_lock lock(m_state->mutex);
            m_state->wake.wait(lock, [this] { return m_state->stopping || m_state->next; });
            if (m_state->stopping) {
                return;
            }
            request = std::move(*m_state->next);
            m_state->next.reset();
        }
        auto load = std::make_shared<PackLoad>();
        try {
            *load = loadPack(planPack(request.directory),
                             request.matchLoudness ? builtInProfilesLoudness() : std::nullopt);
        } catch (const std::exception& failure) {  // out of memory: a pack that cannot load
            *load = PackLoad::refused(failure.what());
        }
        // Only the asking thread decides whether the result still counts: a
        // newer request may come between here and the delivered task.
        m_deliver([state = m_state, request = std::move(request), load] {
            {
                const std::lock_guard lock(state->mutex);
                if (request.generation != state->generation || state->stopping) {
                    return;
                }
                state->loadingId.clear();
            }
            request.done(request.id, std::move(*load));
        });
    }
}

}  // namespace quib
