#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "platform/copy/gathered_digests.h"
#include "platform/file.h"
#include "platform/sha256.h"

namespace quorvel {

// The SHA-256 of each piece a copy reads, computed on threads of their own that read the piece
// again: ahead of the copy where the system holds its bytes in memory already, else behind it,
// where the copy has just read them, so the medium is never read twice for them. Two pieces are
// hashed at once, at a priority below the copy's and the window's: hashing takes only the
// processor time they leave, and where one processor is not enough for it, two share it. A join's
// pieces short enough for the copy to gather are hashed from the bytes gathered instead.
class SourceDigests {
  public:
    // The pieces a split cuts: they lie in `source` one after the other, from its start. Each
    // thread reads `source` through a handle of its own, so that no read moves the copy's position;
    // `source` outlives this.
    SourceDigests(const File& source, const std::vector<std::int64_t>& pieceLengths);
    // The pieces a join appends: each a file of its own, handed over by reading().
    explicit SourceDigests(const std::vector<std::int64_t>& pieceLengths);
    SourceDigests(const SourceDigests&) = delete;
    SourceDigests& operator=(const SourceDigests&) = delete;
    // Stops the threads once the read each one makes is done.
    ~SourceDigests();

    // The copy is about to read piece `index` (counted from 0) from `piece`. Unless the copy
    // gathers it (GatheredCopies), a handle of this one's own reads it again until its digest is
    // known.
    void reading(std::int32_t index, const File& piece);
    // The copy has read every piece before piece `index` (counted from 0), and `bytes` of it.
    void copied(std::int32_t index, std::int64_t bytes);
    // The copy has read piece `index` whole; `gathered` holds its bytes where the copy gathered
    // them, and they are hashed from a copy of them (GatheredDigests).
    void copiedWhole(std::int32_t index, std::span<const char> gathered);

    // How many pieces handed over hold their handles still.
    std::int32_t handlesHeld() const;
    // The digest of piece `index` (counted from 0), once it is known.
    std::optional<Digest> digestOf(std::int32_t index) const;
    // Ready once each of the first `count` pieces has its digest; what failed in hashing is thrown
    // there. One at a time.
    std::future<void> digestsUpTo(std::int32_t count);
    std::future<void> everyDigest() {
        return digestsUpTo(static_cast<std::int32_t>(pieces_.size()));
    }

  private:
    struct Piece {
        std::int64_t begin;  // in the file it is read from
        std::int64_t length;
        std::optional<File> file;  // a join's piece, from reading() until its digest is known
        std::optional<Digest> digest;
    };

    SourceDigests(const File* source, const std::vector<std::int64_t>& pieceLengths);
    bool handedOver(std::size_t index) const;
    void work();
    bool hashPiece(std::size_t index, std::optional<File>& source, Sha256& sha, char* buffer);
    File* fileOf(std::size_t index, std::optional<File>& source);
    std::int64_t readNext(File& file, std::size_t index, std::int64_t done, char* buffer);
    std::int64_t copiedOf(std::size_t index) const;
    void hashed(std::size_t index, const Digest& digest);
    void failed(std::exception_ptr failure);
    void answerAwaited();

    const File* source_;
    std::vector<Piece> pieces_;
    std::atomic<std::size_t> next_{0};
    mutable std::mutex mutex_;
    std::condition_variable copied_;
    std::size_t copiedPiece_ = 0;
    std::int64_t copiedBytes_ = 0;
    std::int32_t handlesHeld_ = 0;
    std::size_t known_ = 0;  // the pieces from the first on that have their digests
    std::exception_ptr failure_;
    std::optional<std::pair<std::size_t, std::promise<void>>> awaited_;
    bool stopping_ = false;
    std::unique_ptr<GatheredDigests> gathered_;  // made for the first short piece of a join
    std::vector<std::thread> threads_;
};

}  // namespace quorvel
