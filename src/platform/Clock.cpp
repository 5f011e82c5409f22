#include "platform/Clock.h"

#include <time.h>

namespace quib {

double SystemClock::monotonicSeconds() const {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::string SystemClock::today() const {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[16];
    strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

}  // namespace quib
