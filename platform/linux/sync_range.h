#pragma once

#include <fcntl.h>

#include <cstdint>
#include <string>

namespace quorvel {

inline constexpr unsigned startRange = SYNC_FILE_RANGE_WRITE;
inline constexpr unsigned writeAndWaitForRange =
    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;

// sync_file_range of bytes `begin` to `end` of the descriptor `fd` of the file `name`. A file
// system that cannot write out a range on request (no page cache of its own) is left to the flush
// at the end; any other failure is the write's own.
void syncRange(int fd, const std::string& name, std::int64_t begin, std::int64_t end,
               unsigned flags);

}  // namespace quorvel
