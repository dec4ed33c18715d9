#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <future>
#include <memory>
#include <vector>

#include "platform/copy.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// Some C libraries miscount single copies of 2 GiB or more.
constexpr std::int64_t largestKernelCopy = std::int64_t{1} << 30;

[[noreturn]] void endedEarly(const File& from) {
    throw RunError("Cannot read " + from.name() +
                   ": it ended before its expected length, so it changed during the run.");
}

[[noreturn]] void copyFailed(const File& from, const File& to) {
    throwSystemError("Cannot copy " + from.name() + " to", to.name());
}

constexpr std::int64_t pageSize = 4096;
// A quarter of a MiB keeps pace with the kernel's copy and stays in the CPU's cache.
constexpr std::int64_t bufferSize = 256 << 10;

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

// Moves bytes through a buffer: where the kernel's copy would be slow, or cannot copy between the
// two files at all. A short copy gets a buffer of its own length. A long one writes in steps that
// end on multiples of the buffer's size in the output, so the page cache takes them in large
// pages: a step that straddles pages all the way (a piece appended inside a page) costs a fifth
// more.
class BufferedCopy {
  public:
    BufferedCopy(const File& to, std::int64_t length)
        : size_(std::min(length, bufferSize)), position_(size_ < bufferSize ? 0 : positionOf(to)) {
        buffer_.reset(static_cast<char*>(std::aligned_alloc(pageSize, roundedToPages(size_))));
        if (!buffer_) throw RunError("Not enough memory to copy " + to.name() + ".");
    }

    std::int64_t copy(File& from, File& to, std::int64_t wanted) {
        const std::int64_t got =
            readSome(from, buffer_.get(), std::min(wanted, size_ - position_ % size_));
        writeAll(to, buffer_.get(), got);
        position_ += got;
        return got;
    }

  private:
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, Free> buffer_;
    std::int64_t size_;
    std::int64_t position_;  // in the output
};

// The kernel's copy; 0 when it cannot copy between these files (only on the first call).
std::int64_t kernelCopy(File& from, File& to, std::int64_t wanted, bool firstCall) {
    for (;;) {
        const ssize_t copied = ::copy_file_range(from.handle(), nullptr, to.handle(), nullptr,
                                                 std::min(wanted, largestKernelCopy), 0);
        if (copied > 0) return copied;
        if (copied == 0) {
            if (firstCall) return 0;
            endedEarly(from);
        }
        if (errno == EINTR || blockingAgain(from.handle(), errno)) continue;
        if (firstCall && kernelCannotCopy(errno)) return 0;
        copyFailed(from, to);
    }
}

// A file system that cannot write out a range on request (no page cache of its own) is left to
// the flush at the end; any other failure is the write's own.
void syncRange(int fd, const std::string& name, std::int64_t begin, std::int64_t end,
               unsigned flags) {
    if (end <= begin) return;  // a length of 0 would mean "to the end of the file"
    while (::sync_file_range(fd, begin, end - begin, flags) != 0) {
        if (errno == EINTR) continue;
        if (errno == EINVAL || errno == ENOSYS || errno == ESPIPE || errno == EOPNOTSUPP) return;
        throwSystemError("Cannot write", name);
    }
}

constexpr unsigned waitForRange =
    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;

}  // namespace

std::int64_t readSome(File& from, char* buffer, std::int64_t wanted) {
    ssize_t got;
    do got = ::read(from.handle(), buffer, static_cast<std::size_t>(wanted));
    while (got < 0 && (errno == EINTR || blockingAgain(from.handle(), errno)));
    if (got < 0) throwSystemError("Cannot read", from.name());
    if (got == 0) endedEarly(from);
    return got;
}

void writeAll(File& to, const char* bytes, std::int64_t length) {
    for (std::int64_t written = 0; written < length;) {
        const ssize_t put =
            ::write(to.handle(), bytes + written, static_cast<std::size_t>(length - written));
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) throwSystemError("Cannot write", to.name());
        written += put;
    }
}

struct ChunkCopier::State {
    File& from;
    File& to;
    bool firstCall = true;
    std::unique_ptr<BufferedCopy> buffered;
};

ChunkCopier::ChunkCopier(File& from, File& to, std::int64_t length)
    : state_(new State{from, to, true, nullptr}) {
    if (!kernelCopiesFast(from, to, length)) {
        state_->buffered = std::make_unique<BufferedCopy>(to, length);
    }
}

ChunkCopier::~ChunkCopier() = default;

std::int64_t ChunkCopier::copy(std::int64_t wanted) {
    State& s = *state_;
    if (!s.buffered) {
        const std::int64_t copied = kernelCopy(s.from, s.to, wanted, s.firstCall);
        s.firstCall = false;
        if (copied > 0) return copied;
        s.buffered = std::make_unique<BufferedCopy>(s.to, wanted);
    }
    return s.buffered->copy(s.from, s.to, wanted);
}

void startWriteOut(File& file, std::int64_t begin, std::int64_t end) {
    syncRange(file.handle(), file.name(), begin, end, SYNC_FILE_RANGE_WRITE);
}

// Bytes on the medium then leave the page cache, so a run's later steps are written into the
// pages its earlier ones had, and a large file written leaves what else is cached alone. A
// virtual machine may hand memory left free for a few seconds back to its host, and then each
// page of it costs a fault in the host when it is next written: on one that does, a GiB joined
// right after another GiB file was deleted took half as long again.
void awaitWriteOut(File& file, std::int64_t begin, std::int64_t end) {
    syncRange(file.handle(), file.name(), begin, end, waitForRange);
    if (end > begin) ::posix_fadvise(file.handle(), begin, end - begin, POSIX_FADV_DONTNEED);
}

// Each file is kept open under a second descriptor until its bytes are on the medium. A batch is
// written out on a thread of its own while the next one is written, as the system's own flusher
// would do: on this thread the requests to the disk, one for each file, cost as much again as
// writing the files.
struct ShortFiles::State {
    struct Pending {
        int fd;
        std::int64_t length;
        std::string name;
    };
    using Batch = std::vector<Pending>;
    Batch filling;
    std::future<void> writing;  // the batch passed on last

    // Puts every file of `batch` on the medium, all its requests sent before the first wait, and
    // closes them whatever fails.
    static void writeOut(Batch batch) {
        struct Closing {
            Batch& batch;
            ~Closing() {
                for (const Pending& pending : batch) ::close(pending.fd);
            }
        } closing{batch};
        for (const Pending& pending : batch) {
            syncRange(pending.fd, pending.name, 0, pending.length, SYNC_FILE_RANGE_WRITE);
        }
        for (const Pending& pending : batch) {
            syncRange(pending.fd, pending.name, 0, pending.length, waitForRange);
        }
    }

    void awaitWriting() {
        if (writing.valid()) writing.get();
    }
};

namespace {
// Well below the usual limit of 1,024 descriptors, with two batches open.
constexpr std::size_t mostShortFiles = 256;
}  // namespace

ShortFiles::ShortFiles() : state_(new State) {}

ShortFiles::~ShortFiles() {
    if (state_->writing.valid()) state_->writing.wait();
    for (const State::Pending& pending : state_->filling) ::close(pending.fd);
}

void ShortFiles::add(File& file, std::int64_t length) {
    const int fd = ::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throwSystemError("Cannot write", file.name());
    state_->filling.push_back({fd, length, file.name()});
}

bool ShortFiles::full() const {
    return state_->filling.size() >= mostShortFiles;
}

void ShortFiles::passOn() {
    state_->awaitWriting();
    state_->writing = std::async(std::launch::async, State::writeOut, std::move(state_->filling));
    state_->filling.clear();
}

// One call for the entries of all of them and the journal behind them: a flush of each would
// cost as much as writing it.
void ShortFiles::awaitWhole(const std::string& folder) {
    state_->awaitWriting();
    State::writeOut(std::move(state_->filling));
    state_->filling.clear();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throwSystemError("Cannot open the folder", folder);
    const int result = ::syncfs(fd);
    ::close(fd);
    if (result != 0) throwSystemError("Cannot write to the folder", folder);
}

}  // namespace quorvel
