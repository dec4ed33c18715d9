#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/copy/chunk_copy.h"
#include "platform/sha256.h"

namespace quorvel {

// The SHA-256 of each piece a join reads, of exactly the bytes it writes, computed beside the copy
// on a thread of its own: the bytes are taken as they pass into a few buffers of their own, and
// hashed there while the copy goes on, so hashing costs the run nothing but a second processor's
// time. A piece's digest is known once its last byte is hashed.
class DigestsBeside final : public BytesSeen {
  public:
    DigestsBeside();
    DigestsBeside(const DigestsBeside&) = delete;
    DigestsBeside& operator=(const DigestsBeside&) = delete;
    // Stops the thread once the buffer it is hashing is done: a few hundred microseconds at most.
    ~DigestsBeside() override;

    // Bytes of the piece under way, in order. Waits only while every buffer is full, which
    // hashing empties at over a GB/s, whatever the medium's pace.
    void take(std::span<const char> bytes) override;
    // The piece under way ends here.
    void endPiece();

    // The digest of piece `index` (counted from 0), once it is known.
    std::optional<Digest> digestOf(std::int32_t index) const;
    // Ready once every piece ended so far has its digest; what failed in hashing is thrown there.
    std::future<void> everyDigest();

  private:
    struct Part {
        std::size_t length;
        bool endsPiece;
    };
    struct Buffer {
        std::unique_ptr<char[]> bytes;
        std::size_t filled = 0;
        std::vector<Part> parts;
        std::optional<std::promise<void>> hashed;  // for everyDigest()
    };

    void passOn();
    void hash();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Buffer>> free_;
    std::deque<std::unique_ptr<Buffer>> toHash_;
    std::unique_ptr<Buffer> filling_;
    std::vector<Digest> digests_;
    std::exception_ptr failure_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace quorvel
