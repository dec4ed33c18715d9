#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/copy/chunk_copy.h"
#include "platform/file.h"

namespace quorvel {

class OutputFile;

// Short copies into one file (the pieces of a large set joined), gathered in memory to be written
// together: each write to the system costs as much as moving a few KiB.
class GatheredCopies {
  public:
    // Copies of at most this many bytes are gathered.
    static constexpr std::int64_t longest = std::int64_t{16} << 10;
    static constexpr std::int64_t capacity = std::int64_t{1} << 20;

    // True when `length` more bytes for `into` can join what is gathered.
    bool takes(const OutputFile& into, std::int64_t length) const;
    // Reads `length` bytes from the current position of `from`, for the end of `into`, and tells
    // where they are until the next gather() or clear().
    std::span<const char> gather(File& from, OutputFile& into, std::int64_t length);

    // Whose bytes are gathered; null when none are.
    OutputFile* into() const { return length_ > 0 ? into_ : nullptr; }
    std::span<const char> bytes() const;
    void clear() { length_ = 0; }

  private:
    std::unique_ptr<char[]> buffer_;  // allocated once something is gathered
    std::int64_t length_ = 0;
    OutputFile* into_ = nullptr;
};

}  // namespace quorvel
