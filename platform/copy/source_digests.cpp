#include "platform/copy/source_digests.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "platform/copy/chunk_copy.h"
#include "platform/copy/gathered_copies.h"
#include "platform/copy/gathered_digests.h"
#include "platform/copy/hashing_totals.h"
#include "platform/process.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

constexpr std::int64_t bufferSize = std::int64_t{256} << 10;
constexpr unsigned mostThreads = 2;

unsigned threadsFor(std::size_t pieces) {
    const unsigned processors = std::max(1U, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>({mostThreads, processors, pieces}));
}

}  // namespace

SourceDigests::SourceDigests(const File& source, const std::vector<std::int64_t>& pieceLengths)
    : SourceDigests(&source, pieceLengths) {}

SourceDigests::SourceDigests(const std::vector<std::int64_t>& pieceLengths)
    : SourceDigests(nullptr, pieceLengths) {}

SourceDigests::SourceDigests(const File* source, const std::vector<std::int64_t>& pieceLengths)
    : source_(source) {
    std::int64_t begin = 0;
    pieces_.reserve(pieceLengths.size());
    for (const std::int64_t length : pieceLengths) {
        pieces_.push_back({begin, length, std::nullopt, std::nullopt});
        if (source_) begin += length;
    }
    for (unsigned n = threadsFor(pieces_.size()); n > 0; --n) {
        threads_.emplace_back([this] { work(); });
    }
}

SourceDigests::~SourceDigests() {
    gathered_.reset();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    copied_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void SourceDigests::reading(std::int32_t index, const File& piece) {
    const auto n = static_cast<std::size_t>(index);
    if (!handedOver(n)) return;
    File again = piece.reopenedForReading();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pieces_[n].file = std::move(again);
        ++handlesHeld_;
    }
    copied_.notify_all();
}

// The split's pieces all are: they lie in the one source the threads read.
bool SourceDigests::handedOver(std::size_t index) const {
    return source_ || pieces_.at(index).length > GatheredCopies::longest;
}

void SourceDigests::copiedWhole(std::int32_t index, std::span<const char> gathered) {
    const auto n = static_cast<std::size_t>(index);
    if (handedOver(n)) return copied(index, pieces_[n].length);
    if (std::ssize(gathered) != pieces_[n].length) {
        throw std::logic_error("a short piece's bytes were not gathered");
    }
    if (!gathered_) {
        gathered_ = std::make_unique<GatheredDigests>(
            [this](std::size_t piece, const Digest& digest) { hashed(piece, digest); },
            [this](std::exception_ptr failure) { failed(failure); });
    }
    gathered_->take(n, gathered);
}

void SourceDigests::copied(std::int32_t index, std::int64_t bytes) {
    const auto piece = static_cast<std::size_t>(index);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (piece < copiedPiece_ || (piece == copiedPiece_ && bytes <= copiedBytes_)) return;
        copiedPiece_ = piece;
        copiedBytes_ = bytes;
    }
    copied_.notify_all();
}

std::int32_t SourceDigests::handlesHeld() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return handlesHeld_;
}

std::optional<Digest> SourceDigests::digestOf(std::int32_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= pieces_.size()) return std::nullopt;
    return pieces_[static_cast<std::size_t>(index)].digest;
}

std::future<void> SourceDigests::digestsUpTo(std::int32_t count) {
    if (gathered_) gathered_->passOn();
    std::lock_guard<std::mutex> lock(mutex_);
    awaited_.emplace(static_cast<std::size_t>(std::max(count, 0)), std::promise<void>());
    std::future<void> ready = awaited_->second.get_future();
    answerAwaited();
    return ready;
}

// Each thread takes the next piece no other has taken, until none is left.
void SourceDigests::work() {
    lowerThisThreadsPriority();
    try {
        std::optional<File> source;
        if (source_) source = source_->reopenedForReading();
        const auto buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
        Sha256 sha;
        for (std::size_t n = next_++; n < pieces_.size(); n = next_++) {
            if (!handedOver(n)) continue;
            if (!hashPiece(n, source, sha, buffer.get())) return;
        }
    } catch (...) {
        failed(std::current_exception());
    }
}

// False when the run stopped first.
bool SourceDigests::hashPiece(std::size_t index, std::optional<File>& source, Sha256& sha,
                              char* buffer) {
    File* file = fileOf(index, source);
    if (!file) return false;
    for (std::int64_t done = 0; done < pieces_[index].length;) {
        const std::int64_t got = readNext(*file, index, done, buffer);
        if (got < 0) return false;
        hashCounted(sha, {buffer, static_cast<std::size_t>(got)});
        done += got;
    }
    hashed(index, sha.finish());
    return true;
}

// The split's source, or the join's piece once the copy hands it over; none once the run stops.
File* SourceDigests::fileOf(std::size_t index, std::optional<File>& source) {
    if (source) return &*source;
    std::unique_lock<std::mutex> lock(mutex_);
    Piece& piece = pieces_[index];
    copied_.wait(lock, [&] { return stopping_ || piece.file; });
    return stopping_ ? nullptr : &*piece.file;
}

// Reads what the system holds ahead of the copy, or else waits for the copy to read it: at least
// one byte, or -1 once the run stops. A file that ends before the copy's end has changed.
std::int64_t SourceDigests::readNext(File& file, std::size_t index, std::int64_t done,
                                     char* buffer) {
    const Piece& piece = pieces_[index];
    const std::int64_t wanted = std::min(piece.length - done, bufferSize);
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (stopping_) return -1;
        const std::int64_t copied = copiedOf(index);
        lock.unlock();
        std::optional<std::int64_t> got;
        if (done < copied) {
            got = readAt(file, piece.begin + done, buffer, std::min(wanted, copied - done));
        } else {
            got = readHeldAt(file, piece.begin + done, buffer, wanted);
        }
        if (got && *got > 0) return *got;
        if (got && done < copied) throwEndedEarly(file);
        lock.lock();
        copied_.wait(lock, [&] { return stopping_ || copiedOf(index) > done; });
    }
}

// How much of piece `index` the copy has read.
std::int64_t SourceDigests::copiedOf(std::size_t index) const {
    if (index < copiedPiece_) return pieces_[index].length;
    return index == copiedPiece_ ? copiedBytes_ : 0;
}

void SourceDigests::hashed(std::size_t index, const Digest& digest) {
    std::lock_guard<std::mutex> lock(mutex_);
    pieces_[index].digest = digest;
    if (pieces_[index].file) {
        pieces_[index].file.reset();
        --handlesHeld_;
    }
    while (known_ < pieces_.size() && pieces_[known_].digest) ++known_;
    answerAwaited();
}

void SourceDigests::failed(std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_) failure_ = failure;
    answerAwaited();
}

// Under the lock.
void SourceDigests::answerAwaited() {
    if (!awaited_) return;
    if (failure_) {
        awaited_->second.set_exception(failure_);
    } else if (known_ >= awaited_->first) {
        awaited_->second.set_value();
    } else {
        return;
    }
    awaited_.reset();
}

}  // namespace quorvel
