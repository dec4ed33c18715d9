#include <fcntl.h>

#include <cerrno>

#include "platform/copy/write_out.h"
#include "platform/linux/sync_range.h"
#include "platform/run_error.h"

namespace quorvel {

void syncRange(int fd, const std::string& name, std::int64_t begin, std::int64_t end,
               unsigned flags) {
    if (end <= begin) return;  // a length of 0 would mean "to the end of the file"
    while (::sync_file_range(fd, begin, end - begin, flags) != 0) {
        if (errno == EINTR) continue;
        if (errno == EINVAL || errno == ENOSYS || errno == ESPIPE || errno == EOPNOTSUPP) return;
        throwSystemError("Cannot write", name);
    }
}

void startWriteOut(File& file, std::int64_t begin, std::int64_t end) {
    syncRange(file.handle(), file.name(), begin, end, startRange);
}

// Bytes on the medium then leave the page cache, so a run's later steps are written into the
// pages its earlier ones had, and a large file written leaves what else is cached alone. A
// virtual machine may hand memory left free for a few seconds back to its host, and then each
// page of it costs a fault in the host when it is next written: on one that does, a GiB joined
// right after another GiB file was deleted took half as long again.
void awaitWriteOut(File& file, std::int64_t begin, std::int64_t end) {
    syncRange(file.handle(), file.name(), begin, end, writeAndWaitForRange);
    if (end > begin) ::posix_fadvise(file.handle(), begin, end - begin, POSIX_FADV_DONTNEED);
}

}  // namespace quorvel
