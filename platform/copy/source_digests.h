#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "platform/sha256.h"

namespace quorvel {

// The SHA-256 of each piece of a file being split, computed on threads of their own that read
// the source again: ahead of the copy where the system holds its bytes in memory already, else
// behind it, where the copy has just read them, so the medium is never read twice for them. Two
// pieces are hashed at once, at a priority below the copy's and the window's: hashing takes only
// the processor time they leave, and where one processor is not enough for it, two share it.
class SourceDigests {
  public:
    // Each thread reads `source` through a handle of its own, so that no read moves the copy's
    // position; `source` outlives this. The pieces lie in it one after the other, from its start.
    SourceDigests(const File& source, const std::vector<std::int64_t>& pieceLengths);
    SourceDigests(const SourceDigests&) = delete;
    SourceDigests& operator=(const SourceDigests&) = delete;
    // Stops the threads once the read each one makes is done.
    ~SourceDigests();

    // The copy has read every piece before piece `index` (counted from 0), and `bytes` of it.
    void copied(std::int32_t index, std::int64_t bytes);

    // The digest of piece `index` (counted from 0), once it is known.
    std::optional<Digest> digestOf(std::int32_t index) const;
    // Ready once every piece has its digest; what failed in hashing is thrown there. Once only.
    std::future<void> everyDigest() { return everyDigest_.get_future(); }

  private:
    struct Piece {
        std::int64_t begin;
        std::int64_t length;
        std::optional<Digest> digest;
    };

    void work();
    bool hashPiece(File& source, Piece& piece, Sha256& sha, char* buffer);
    std::int64_t readNext(File& source, std::int64_t at, std::int64_t wanted, char* buffer);
    void finished(std::exception_ptr failure);

    const File& source_;
    std::vector<Piece> pieces_;
    std::atomic<std::size_t> next_{0};
    mutable std::mutex mutex_;
    std::condition_variable copied_;
    std::int64_t copiedUpTo_ = 0;
    std::size_t hashed_ = 0;
    bool stopping_ = false;
    bool ended_ = false;
    std::promise<void> everyDigest_;
    std::vector<std::thread> threads_;
};

}  // namespace quorvel
