#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace quorvel::bench {

// Why this machine cannot give the slow medium; the case is skipped with this reason.
class MediumUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A USB stick's pace on any disk: an ext4 image on a loop device, mounted in `folder`/mnt, whose
// writes a cgroup throttles to `bytesPerSecond`, the page cache's writeback included. It is
// checked with dd + sync before it is used, and everything set up is undone, in reverse order,
// when it goes. Throws MediumUnavailable where the machine cannot (not root, no loop device, no
// cgroup that throttles writeback) or the throttle does not hold.
class SlowMedium {
  public:
    SlowMedium(const std::filesystem::path& folder, std::int64_t capacity,
               std::int64_t bytesPerSecond);
    ~SlowMedium();
    SlowMedium(const SlowMedium&) = delete;
    SlowMedium& operator=(const SlowMedium&) = delete;

    const std::filesystem::path& mountPoint() const;
    // The cgroup.procs file a measured process joins; empty where the limit holds for every
    // process that writes to the medium.
    const std::string& cgroupProcs() const;
    // The device, how it is throttled and the pace dd + sync measured on it.
    const std::string& description() const;

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    std::string description_;
};

}  // namespace quorvel::bench
