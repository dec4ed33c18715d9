#pragma once

#include <cstdint>
#include <optional>

// Stand-ins for three C library calls, linked into the fault tests only. They pass through to the
// kernel unless a test switches a failure on, for conditions the machine cannot make for real.
namespace quorvel::testing::faults {

// copy_file_range fails with ENOSYS, as on a kernel without it: copies take the read/write path.
extern bool kernelCopyMissing;
// The next fsync fails with EIO, as when the disk could not write what was cached.
extern bool flushFails;

// statfs reports this file system for every folder instead of the real one.
struct ReportedFileSystem {
    long type;  // a magic number of linux/magic.h
    long unit;  // bytes per block
    std::uint64_t freeUnits;
    std::uint64_t totalUnits;  // 0: a file system that reports no size
};
extern std::optional<ReportedFileSystem> reportedFileSystem;

class Reporting {
  public:
    explicit Reporting(const ReportedFileSystem& fileSystem) { reportedFileSystem = fileSystem; }
    ~Reporting() { reportedFileSystem.reset(); }
    Reporting(const Reporting&) = delete;
    Reporting& operator=(const Reporting&) = delete;
};

// Switches one of the failures on for the life of the object.
class Switch {
  public:
    explicit Switch(bool& failure) : failure_(failure) { failure_ = true; }
    ~Switch() { failure_ = false; }
    Switch(const Switch&) = delete;
    Switch& operator=(const Switch&) = delete;

  private:
    bool& failure_;
};

}  // namespace quorvel::testing::faults
