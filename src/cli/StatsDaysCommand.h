#pragma once

#include <filesystem>
#include <iosfwd>

namespace quib {

// `quib stats --days N [--json]`: the daily keys and clicks of the last N
// days up to today, oldest first, from the store's daily rows (a day without
// one reads 0). Read-only, as every form of `quib stats`; returns the exit code.
int runStatsDaysCommand(const std::filesystem::path& dataDirectory, int days, bool json,
                        std::ostream& out);

inline constexpr int kMaxStatsDays = 3660;

}  // namespace quib
