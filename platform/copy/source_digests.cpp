#include "platform/copy/source_digests.h"

#include <algorithm>
#include <memory>

#include "platform/copy/chunk_copy.h"
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
    : source_(source) {
    std::int64_t begin = 0;
    pieces_.reserve(pieceLengths.size());
    for (const std::int64_t length : pieceLengths) {
        pieces_.push_back({begin, length, std::nullopt});
        begin += length;
    }
    if (pieces_.empty()) everyDigest_.set_value();
    for (unsigned n = threadsFor(pieces_.size()); n > 0; --n) {
        threads_.emplace_back([this] { work(); });
    }
}

SourceDigests::~SourceDigests() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    copied_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void SourceDigests::copied(std::int32_t index, std::int64_t bytes) {
    const std::int64_t offset = pieces_.at(static_cast<std::size_t>(index)).begin + bytes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (offset <= copiedUpTo_) return;
        copiedUpTo_ = offset;
    }
    copied_.notify_all();
}

std::optional<Digest> SourceDigests::digestOf(std::int32_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= pieces_.size()) return std::nullopt;
    return pieces_[static_cast<std::size_t>(index)].digest;
}

// Each thread takes the next piece no other has taken, until none is left.
void SourceDigests::work() {
    lowerThisThreadsPriority();
    try {
        File source = source_.reopenedForReading();
        const auto buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
        Sha256 sha;
        for (std::size_t n = next_++; n < pieces_.size(); n = next_++) {
            if (!hashPiece(source, pieces_[n], sha, buffer.get())) return;
        }
    } catch (...) {
        finished(std::current_exception());
    }
}

// False when the run stopped first.
bool SourceDigests::hashPiece(File& source, Piece& piece, Sha256& sha, char* buffer) {
    for (std::int64_t done = 0; done < piece.length;) {
        const std::int64_t at = piece.begin + done;
        const std::int64_t got =
            readNext(source, at, std::min(piece.length - done, bufferSize), buffer);
        if (got < 0) return false;
        hashCounted(sha, {buffer, static_cast<std::size_t>(got)});
        done += got;
    }
    const Digest digest = sha.finish();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        piece.digest = digest;
        if (++hashed_ < pieces_.size()) return true;
    }
    finished(nullptr);
    return true;
}

// Reads what the system holds ahead of the copy, or else waits for the copy to read it: at least
// one byte, or -1 once the run stops. A source that ends before the copy's end has changed.
std::int64_t SourceDigests::readNext(File& source, std::int64_t at, std::int64_t wanted,
                                     char* buffer) {
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (stopping_) return -1;
        const std::int64_t copied = copiedUpTo_;
        lock.unlock();
        std::optional<std::int64_t> got;
        if (at < copied) {
            got = readAt(source, at, buffer, std::min(wanted, copied - at));
        } else {
            got = readHeldAt(source, at, buffer, wanted);
        }
        if (got && *got > 0) return *got;
        if (got && at < copied) throwEndedEarly(source_);
        lock.lock();
        copied_.wait(lock, [&] { return stopping_ || copiedUpTo_ > at; });
    }
}

void SourceDigests::finished(std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ended_) return;
    ended_ = true;
    failure ? everyDigest_.set_exception(failure) : everyDigest_.set_value();
}

}  // namespace quorvel
