#include "platform/copy/pace.h"

#include <algorithm>
#include <utility>

namespace quorvel {

Pace::Pace(Clock clock, PaceLimits limits)
    : clock_(std::move(clock)),
      limits_(limits),
      stepSize_(limits.smallestStep),
      callSize_(limits.largestCall),
      stepStarted_(clock_()),
      callStarted_(stepStarted_) {}

void Pace::callStarts() {
    callStarted_ = clock_();
}

void Pace::callMade(std::int64_t bytes) {
    const double paced = perTime(bytes, clock_() - callStarted_, limits_.callTime);
    callSize_ = wholeUnits(paced, limits_.smallestCall, limits_.largestCall);
}

void Pace::stepMade(std::int64_t bytes) {
    const auto now = clock_();
    const double paced = perTime(bytes, now - stepStarted_, limits_.stepTime);
    stepSize_ =
        wholeUnits(paced, limits_.smallestStep, std::min(2 * stepSize_, limits_.largestStep));
    stepStarted_ = now;
}

// The bytes that `time` moves at the pace of `bytes` in `took`; no time at all counts as the
// clock's smallest tick.
double Pace::perTime(std::int64_t bytes, std::chrono::steady_clock::duration took,
                     std::chrono::steady_clock::duration time) const {
    const auto ticks = std::max<std::chrono::steady_clock::rep>(took.count(), 1);
    return static_cast<double>(bytes) * static_cast<double>(time.count()) /
           static_cast<double>(ticks);
}

std::int64_t Pace::wholeUnits(double paced, std::int64_t least, std::int64_t most) const {
    const auto size = static_cast<std::int64_t>(
        std::clamp(paced, static_cast<double>(least), static_cast<double>(most)));
    return size / limits_.unit * limits_.unit;
}

}  // namespace quorvel
