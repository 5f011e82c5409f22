#include "cli/StatsReading.h"

#include "platform/Log.h"

namespace quib {

std::unique_ptr<StatsReading> StatsReading::open(const std::filesystem::path& dataDirectory) {
    auto opened = SqlitePreferences::open(dataDirectory, SqlitePreferences::Mode::readOnly);
    if (!opened.store) {
        logLine("Cannot read the preferences database: ", opened.error);
        return nullptr;
    }
    auto reading = std::make_unique<StatsReading>();
    reading->store = std::move(opened.store);
    reading->stats = std::make_unique<GameStats>(*reading->store, reading->queue, reading->clock,
                                                 reading->random);
    return reading;
}

}  // namespace quib
