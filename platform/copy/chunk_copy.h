#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/file.h"
#include "platform/run_error.h"

// What each system supplies to move bytes from one file to another.
namespace quorvel {

// A file that ends before the length a copy expects of it changed during the run.
[[noreturn]] inline void throwEndedEarly(const File& from) {
    throw RunError("Cannot read " + from.name() +
                   ": it ended before its expected length, so it changed during the run.");
}

// Reads at least one and at most `wanted` bytes from the current position of `from` into
// `buffer`, and tells how many. A file that ends there is an error.
std::int64_t readSome(File& from, char* buffer, std::int64_t wanted);
// Reads exactly `length` bytes from the current position of `from`; a file that ends sooner is an
// error.
inline void readExactly(File& from, char* buffer, std::int64_t length) {
    std::int64_t done = 0;
    while (done < length) done += readSome(from, buffer + done, length - done);
}
// Reads at most `wanted` bytes at `offset` of `from`, leaving its current position where it is,
// and tells how many: 0 at its end.
std::int64_t readAt(File& from, std::int64_t offset, char* buffer, std::int64_t wanted);
// The same, but only bytes the system holds in memory already: nothing (std::nullopt) where the
// read would wait for the medium, or where the system cannot tell without reading.
std::optional<std::int64_t> readHeldAt(File& from, std::int64_t offset, char* buffer,
                                       std::int64_t wanted);
// Writes `length` bytes at the current position of `to`; a system that writes none is an error.
void writeAll(File& to, const char* bytes, std::int64_t length);

// Moves bytes from the current position of one file to that of another, as fast as the system
// allows for a copy of that length.
class ChunkCopier {
  public:
    ChunkCopier(File& from, File& to, std::int64_t length);
    ChunkCopier(const ChunkCopier&) = delete;
    ChunkCopier& operator=(const ChunkCopier&) = delete;
    ~ChunkCopier();
    // Copies at least one and at most `wanted` bytes, and tells how many.
    std::int64_t copy(std::int64_t wanted);

  private:
    struct State;  // per system
    std::unique_ptr<State> state_;
};

}  // namespace quorvel
