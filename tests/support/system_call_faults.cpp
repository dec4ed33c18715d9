#include "tests/support/system_call_faults.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace quorvel::testing::faults {

std::atomic<bool> kernelCopyMissing = false;
std::atomic<bool> nonBlockingReadsRefused = false;
std::atomic<bool> flushFails = false;
std::atomic<bool> writeOutFails = false;
std::atomic<bool> writesNothing = false;
std::optional<ReportedFileSystem> reportedFileSystem;
Flushed flushed;
HeldWrite heldWrite;

}  // namespace quorvel::testing::faults

using quorvel::testing::faults::flushed;
using quorvel::testing::faults::flushFails;
using quorvel::testing::faults::heldWrite;
using quorvel::testing::faults::kernelCopyMissing;
using quorvel::testing::faults::nonBlockingReadsRefused;
using quorvel::testing::faults::reportedFileSystem;
using quorvel::testing::faults::writeOutFails;
using quorvel::testing::faults::writesNothing;

namespace {

std::atomic<int> writeOutBegunOn = -1;  // the file whose write-out began last

void holdIfArmed(int fd) {
    if (fd != writeOutBegunOn || !heldWrite.armed.exchange(false)) return;
    writeOutBegunOn = -1;
    heldWrite.letGo = false;
    heldWrite.holding = true;
    ++heldWrite.held;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!heldWrite.letGo && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!heldWrite.letGo) ++heldWrite.timedOut;
    heldWrite.holding = false;
}

// True, with errno set, where a driver that honours "without blocking" would refuse to read fd.
bool refusedWithoutBlocking(int fd) {
    if (!nonBlockingReadsRefused) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_NONBLOCK) == 0) return false;
    errno = EAGAIN;
    return true;
}

}  // namespace

// Defined in the test program, these take the C library's place for every caller in it.
extern "C" ssize_t write(int fd, const void* bytes, size_t length) {
    if (writesNothing && fd > 2) return 0;  // never the test's own output
    holdIfArmed(fd);
    return ::syscall(SYS_write, fd, bytes, length);
}

extern "C" ssize_t read(int fd, void* bytes, size_t length) {
    if (refusedWithoutBlocking(fd)) return -1;
    return ::syscall(SYS_read, fd, bytes, length);
}

extern "C" ssize_t copy_file_range(int in, off64_t* inOffset, int out, off64_t* outOffset,
                                   size_t length, unsigned int flags) {
    if (refusedWithoutBlocking(in)) return -1;
    holdIfArmed(out);
    if (kernelCopyMissing) {
        errno = ENOSYS;
        return -1;
    }
    return ::syscall(SYS_copy_file_range, in, inOffset, out, outOffset, length, flags);
}

// Only the next one fails: the disk is fine again afterwards.
extern "C" int fsync(int fd) {
    if (flushFails.exchange(false)) {
        errno = EIO;
        return -1;
    }
    const int result = static_cast<int>(::syscall(SYS_fsync, fd));
    struct stat status {};
    if (result == 0 && ::fstat(fd, &status) == 0) {
        flushed.files.emplace(status.st_dev, status.st_ino);
    }
    return result;
}

extern "C" int sync_file_range(int fd, off64_t offset, off64_t length, unsigned int flags) {
    if ((flags & SYNC_FILE_RANGE_WAIT_AFTER) && writeOutFails.exchange(false)) {
        errno = EIO;
        return -1;
    }
    // Only while armed: the number of a file from before may be another file's by now.
    if ((flags & SYNC_FILE_RANGE_WRITE) && heldWrite.armed) writeOutBegunOn = fd;
    return static_cast<int>(::syscall(SYS_sync_file_range, fd, offset, length, flags));
}

extern "C" int syncfs(int fd) {
    const int result = static_cast<int>(::syscall(SYS_syncfs, fd));
    struct stat status {};
    if (result == 0 && ::fstat(fd, &status) == 0) {
        flushed.fileSystems.insert(status.st_dev);
    }
    return result;
}

namespace {

// What statfs or fstatfs gave, with `reportedFileSystem` in place of the real one where set.
int reportedInstead(int result, struct statfs* status) {
    if (result != 0 || !reportedFileSystem) return result;
    status->f_type = reportedFileSystem->type;
    status->f_bsize = status->f_frsize = reportedFileSystem->unit;
    status->f_bfree = status->f_bavail = reportedFileSystem->freeUnits;
    status->f_blocks = reportedFileSystem->totalUnits;
    return 0;
}

}  // namespace

extern "C" int statfs(const char* path, struct statfs* status) noexcept {
    return reportedInstead(static_cast<int>(::syscall(SYS_statfs, path, status)), status);
}

extern "C" int fstatfs(int fd, struct statfs* status) noexcept {
    return reportedInstead(static_cast<int>(::syscall(SYS_fstatfs, fd, status)), status);
}
