#pragma once

// Stand-ins for two C library calls, linked into the fault tests only. They pass through to the
// kernel unless a test switches a failure on, for conditions the machine cannot make for real.
namespace quorvel::testing::faults {

// copy_file_range fails with ENOSYS, as on a kernel without it: copies take the read/write path.
extern bool kernelCopyMissing;
// The next fsync fails with EIO, as when the disk could not write what was cached.
extern bool flushFails;

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
