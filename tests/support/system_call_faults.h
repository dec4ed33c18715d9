#pragma once

#include <linux/magic.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <set>
#include <utility>

// Stand-ins for eight C library calls, linked into the fault tests only. They pass through to the
// kernel unless a test switches a failure on, for conditions the machine cannot make for real.
namespace quorvel::testing::faults {

// copy_file_range fails with ENOSYS, as on a kernel without it: copies take the read/write path.
extern std::atomic<bool> kernelCopyMissing;
// read and copy_file_range from a file opened without blocking fail with EAGAIN, as on a FUSE
// file system whose driver honours the flag.
extern std::atomic<bool> nonBlockingReadsRefused;
// The next fsync fails with EIO, as when the disk could not write what was cached.
extern std::atomic<bool> flushFails;
// The next wait for a file's write-out (sync_file_range) fails with EIO, as when the disk could
// not write part of what was cached.
extern std::atomic<bool> writeOutFails;
// Every write into a file this program created writes nothing and says so (0), as some drivers
// do when they are out of room.
extern std::atomic<bool> writesNothing;

// While `armed`, the next write into a file whose write-out has begun (copy_file_range or write
// after a sync_file_range that starts it) is held, as ext4 holds one while it allocates the blocks
// of the file's earlier bytes on their way to the medium, until `letGo` is set or two seconds
// have passed.
struct HeldWrite {
    std::atomic<bool> armed = false;
    std::atomic<bool> holding = false;
    std::atomic<bool> letGo = false;
    std::atomic<int> held = 0;      // writes held so far
    std::atomic<int> timedOut = 0;  // of them, those nobody let go
};
extern HeldWrite heldWrite;

// What was put on the medium so far: the files and folders flushed (fsync), by device and inode,
// and the file systems flushed whole (syncfs), by device. The flushes may come from a thread of
// the run's own, which has ended before the run goes on.
struct Flushed {
    std::set<std::pair<dev_t, ino_t>> files;
    std::set<dev_t> fileSystems;
};
extern Flushed flushed;

// statfs and fstatfs report this file system for every folder and file instead of the real one.
struct ReportedFileSystem {
    long type;  // a magic number of linux/magic.h
    long unit;  // bytes per block
    std::uint64_t freeUnits;
    std::uint64_t totalUnits;  // 0: a file system that reports no size
};
extern std::optional<ReportedFileSystem> reportedFileSystem;

// btrfs with room to spare: there the kernel copies between whole pages, which it does not on
// ext4 or tmpfs, where the tests' files are.
constexpr ReportedFileSystem btrfs{BTRFS_SUPER_MAGIC, 4096, std::uint64_t{1} << 30,
                                   std::uint64_t{1} << 31};

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
    explicit Switch(std::atomic<bool>& failure) : failure_(failure) { failure_ = true; }
    ~Switch() { failure_ = false; }
    Switch(const Switch&) = delete;
    Switch& operator=(const Switch&) = delete;

  private:
    std::atomic<bool>& failure_;
};

}  // namespace quorvel::testing::faults
