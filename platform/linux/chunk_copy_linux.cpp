#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/copy/chunk_copy.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// Some C libraries miscount single copies of 2 GiB or more.
constexpr std::int64_t largestKernelCopy = std::int64_t{1} << 30;
constexpr std::int64_t pageSize = 4096;
// A quarter of a MiB keeps pace with the kernel's copy and stays in the CPU's cache.
constexpr std::int64_t bufferSize = 256 << 10;

[[noreturn]] void copyFailed(const File& from, const File& to) {
    throwSystemError("Cannot copy " + from.name() + " to", to.name());
}

std::size_t roundedToPages(std::int64_t size) {
    return static_cast<std::size_t>((size + pageSize - 1) / pageSize * pageSize);
}

// The current position; 0 where the system cannot tell, which only costs speed.
std::int64_t positionOf(const File& file) {
    const off_t position = ::lseek(file.handle(), 0, SEEK_CUR);
    return position > 0 ? position : 0;
}

bool startsAPage(const File& file) {
    return positionOf(file) % pageSize == 0;
}

// File systems on which the kernel copies without moving the bytes through memory: btrfs and XFS
// share the source's blocks with the copy, NFS, SMB and Ceph copy on their server. Elsewhere
// (ext4 among them) the kernel passes every page through the page cache, and a buffer is faster:
// by about a tenth between whole pages, by about a quarter from or to a position inside a page.
bool copiesInPlace(const File& to) {
    struct statfs status {};
    if (::fstatfs(to.handle(), &status) != 0) return false;
    switch (static_cast<std::uint32_t>(status.f_type)) {
        case BTRFS_SUPER_MAGIC:
        case XFS_SUPER_MAGIC:
        case NFS_SUPER_MAGIC:
        case SMB2_SUPER_MAGIC:
        case CIFS_SUPER_MAGIC:
        case CEPH_SUPER_MAGIC:
            return true;
        default:
            return false;
    }
}

// Blocks are shared only from and to whole blocks, and each kernel copy has a fixed cost several
// times that of a read and a write of a few KiB, so short copies (many small pieces) go through
// the buffer too. A copy between two file systems the kernel refuses, and the buffer takes it.
bool kernelCopiesFast(const File& from, const File& to, std::int64_t length) {
    return length >= bufferSize && startsAPage(from) && startsAPage(to) && copiesInPlace(to);
}

// A file is opened without blocking and left so, which reads of an ordinary file ignore; a file
// system that honours it (a FUSE driver may) says EAGAIN instead of waiting, and is asked again
// with the flag cleared. True when it was cleared now.
bool blockingAgain(int fd, int error) {
    if (error != EAGAIN) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0 &&
           ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

bool kernelCannotCopy(int error) {
    return error == ENOSYS || error == EXDEV || error == EINVAL || error == EOPNOTSUPP ||
           error == EPERM || error == EBADF;
}

struct FreeBuffer {
    void operator()(char* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<char, FreeBuffer>;

Buffer pageAlignedBuffer(std::int64_t size, const File& to) {
    Buffer buffer(static_cast<char*>(std::aligned_alloc(pageSize, roundedToPages(size))));
    if (!buffer) throw RunError("Not enough memory to copy " + to.name() + ".");
    return buffer;
}

// Moves bytes through a buffer: where the kernel's copy would be slow, or cannot copy between the
// two files at all. A short copy gets a buffer of its own length. A long one writes in steps that
// end on multiples of the buffer's size in the output, so the page cache takes them in large
// pages: a step that straddles pages all the way (a piece appended inside a page) costs a fifth
// more.
class BufferedCopy {
  public:
    BufferedCopy(const File& to, std::int64_t length)
        : size_(std::min(length, bufferSize)),
          position_(size_ < bufferSize ? 0 : positionOf(to)),
          buffer_(pageAlignedBuffer(size_, to)) {}

    std::int64_t copy(File& from, File& to, std::int64_t wanted) {
        const std::int64_t got =
            readSome(from, buffer_.get(), std::min(wanted, size_ - position_ % size_));
        writeAll(to, buffer_.get(), got);
        position_ += got;
        return got;
    }

  private:
    std::int64_t size_;
    std::int64_t position_;  // in the output
    Buffer buffer_;
};

// The kernel's copy; 0 when it cannot copy between these files (only on the first call).
std::int64_t kernelCopy(File& from, File& to, std::int64_t wanted, bool firstCall) {
    for (;;) {
        const ssize_t copied = ::copy_file_range(from.handle(), nullptr, to.handle(), nullptr,
                                                 std::min(wanted, largestKernelCopy), 0);
        if (copied > 0) return copied;
        if (copied == 0) {
            if (firstCall) return 0;
            throwEndedEarly(from);
        }
        if (errno == EINTR || blockingAgain(from.handle(), errno)) continue;
        if (firstCall && kernelCannotCopy(errno)) return 0;
        copyFailed(from, to);
    }
}

}  // namespace

std::int64_t readSome(File& from, char* buffer, std::int64_t wanted) {
    ssize_t got;
    do got = ::read(from.handle(), buffer, static_cast<std::size_t>(wanted));
    while (got < 0 && (errno == EINTR || blockingAgain(from.handle(), errno)));
    if (got < 0) throwSystemError("Cannot read", from.name());
    if (got == 0) throwEndedEarly(from);
    return got;
}

std::int64_t readAt(File& from, std::int64_t offset, char* buffer, std::int64_t wanted) {
    ssize_t got;
    do got = ::pread(from.handle(), buffer, static_cast<std::size_t>(wanted), offset);
    while (got < 0 && (errno == EINTR || blockingAgain(from.handle(), errno)));
    if (got < 0) throwSystemError("Cannot read", from.name());
    return got;
}

// RWF_NOWAIT reads only what the page cache holds; a kernel or file system without it says so
// with an error, and the caller then reads as the copy does.
std::optional<std::int64_t> readHeldAt(File& from, std::int64_t offset, char* buffer,
                                       std::int64_t wanted) {
    iovec part{buffer, static_cast<std::size_t>(wanted)};
    ssize_t got;
    do got = ::preadv2(from.handle(), &part, 1, offset, RWF_NOWAIT);
    while (got < 0 && errno == EINTR);
    if (got < 0) return std::nullopt;
    return got;
}

// A write of nothing would be made again forever; the system has no room, as gnulib's full_write
// takes it.
void writeAll(File& to, const char* bytes, std::int64_t length) {
    for (std::int64_t written = 0; written < length;) {
        const ssize_t put =
            ::write(to.handle(), bytes + written, static_cast<std::size_t>(length - written));
        if (put < 0 && errno == EINTR) continue;
        if (put == 0) errno = ENOSPC;
        if (put <= 0) throwSystemError("Cannot write", to.name());
        written += put;
    }
}

struct ChunkCopier::State {
    File& from;
    File& to;
    std::int64_t length;
    bool kernel;
    bool firstCall = true;
    std::unique_ptr<BufferedCopy> buffered = nullptr;

    BufferedCopy& buffer() {
        if (!buffered) buffered = std::make_unique<BufferedCopy>(to, length);
        return *buffered;
    }
};

ChunkCopier::ChunkCopier(File& from, File& to, std::int64_t length)
    : state_(new State{from, to, length, kernelCopiesFast(from, to, length)}) {}

ChunkCopier::~ChunkCopier() = default;

std::int64_t ChunkCopier::copy(std::int64_t wanted) {
    State& s = *state_;
    if (s.kernel) {
        const std::int64_t copied = kernelCopy(s.from, s.to, wanted, s.firstCall);
        s.firstCall = false;
        if (copied > 0) return copied;
        s.kernel = false;
    }
    return s.buffer().copy(s.from, s.to, wanted);
}

}  // namespace quorvel
