#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace quorvel {

// How long steps and calls take, and their bounds. A step is what goes to the medium between two
// waits for it; a call is one copy the system makes. Sizes come in whole units, so a long copy
// that starts on a block keeps to blocks until its end: a file system that shares blocks between
// a file and its copy (btrfs, XFS) shares only whole ones, and copies the bytes of any other.
struct PaceLimits {
    // About this long at the pace last measured: the window answers between two steps, well
    // within 50 ms, on a fast disk and on a slow stick alike.
    std::chrono::steady_clock::duration stepTime = std::chrono::milliseconds(15);
    std::int64_t smallestStep = std::int64_t{256} << 10;
    std::int64_t largestStep = std::int64_t{256} << 20;
    // One call copies about this long at the pace of the calls just made, so the window answers
    // within a step too, when copying into memory runs slower than the step was sized for (as
    // when the system is short of free memory).
    std::chrono::steady_clock::duration callTime = std::chrono::milliseconds(10);
    std::int64_t smallestCall = std::int64_t{64} << 10;
    std::int64_t largestCall = std::int64_t{4} << 20;
    std::int64_t unit = std::int64_t{64} << 10;
};

// Sizes the next step and the next call from the pace of the last ones.
class Pace {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit Pace(Clock clock = &std::chrono::steady_clock::now, PaceLimits limits = {});

    std::int64_t stepSize() const { return stepSize_; }
    std::int64_t callSize() const { return callSize_; }
    // The window has just answered: the next call is timed from now, so a call's time counts
    // whatever the run did between two answers too.
    void callStarts();
    // A call copied `bytes` since callStarts().
    void callMade(std::int64_t bytes);
    // A step of `bytes` ended (its wait included) since the last one did. The next step at most
    // doubles, since the wait for a step shows only two steps later.
    void stepMade(std::int64_t bytes);

  private:
    double perTime(std::int64_t bytes, std::chrono::steady_clock::duration took,
                   std::chrono::steady_clock::duration time) const;
    std::int64_t wholeUnits(double paced, std::int64_t least, std::int64_t most) const;

    Clock clock_;
    PaceLimits limits_;
    std::int64_t stepSize_;
    std::int64_t callSize_;
    std::chrono::steady_clock::time_point stepStarted_;
    std::chrono::steady_clock::time_point callStarted_;
};

}  // namespace quorvel
