#pragma once

#include <string>

namespace quib {

// Time as the progression model sees it: a monotonic clock in seconds for the
// typing speed, and the local calendar day ("yyyy-MM-dd") for daily counts and
// the streak. Tests substitute a clock whose day and time they set.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual double monotonicSeconds() const = 0;
    virtual std::string today() const = 0;
};

// The real clock: CLOCK_MONOTONIC and the local time zone.
class SystemClock final : public Clock {
  public:
    double monotonicSeconds() const override;
    std::string today() const override;
};

}  // namespace quib
