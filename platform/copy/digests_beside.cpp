#include "platform/copy/digests_beside.h"

#include <algorithm>
#include <cstring>

#include "platform/copy/hashing_totals.h"

namespace quorvel {
namespace {

// Eight buffers of 256 KiB: enough to ride out a moment the hashing thread waits for a
// processor, and little memory.
constexpr std::size_t bufferCount = 8;
constexpr std::size_t bufferSize = std::size_t{256} << 10;

}  // namespace

DigestsBeside::DigestsBeside() {
    for (std::size_t n = 0; n < bufferCount; ++n) {
        auto buffer = std::make_unique<Buffer>();
        buffer->bytes = std::make_unique_for_overwrite<char[]>(bufferSize);
        free_.push_back(std::move(buffer));
    }
    filling_ = std::move(free_.back());
    free_.pop_back();
    thread_ = std::thread([this] { hash(); });
}

DigestsBeside::~DigestsBeside() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DigestsBeside::take(std::span<const char> bytes) {
    while (!bytes.empty()) {
        if (filling_->filled == bufferSize) passOn();
        const std::size_t part = std::min(bytes.size(), bufferSize - filling_->filled);
        std::memcpy(filling_->bytes.get() + filling_->filled, bytes.data(), part);
        filling_->filled += part;
        if (filling_->parts.empty() || filling_->parts.back().endsPiece) {
            filling_->parts.push_back({part, false});
        } else {
            filling_->parts.back().length += part;
        }
        bytes = bytes.subspan(part);
    }
}

void DigestsBeside::endPiece() {
    if (filling_->parts.empty() || filling_->parts.back().endsPiece) {
        filling_->parts.push_back({0, true});  // an empty piece, or one that ended a buffer
    } else {
        filling_->parts.back().endsPiece = true;
    }
}

// The buffer filled goes to the hashing thread, and a free one takes its place.
void DigestsBeside::passOn() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (failure_) std::rethrow_exception(failure_);
    toHash_.push_back(std::move(filling_));
    changed_.notify_all();
    changed_.wait(lock, [this] { return !free_.empty() || failure_; });
    if (failure_) std::rethrow_exception(failure_);
    filling_ = std::move(free_.back());
    free_.pop_back();
}

std::optional<Digest> DigestsBeside::digestOf(std::int32_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= digests_.size()) return std::nullopt;
    return digests_[static_cast<std::size_t>(index)];
}

std::future<void> DigestsBeside::everyDigest() {
    std::future<void> done = filling_->hashed.emplace().get_future();
    passOn();
    return done;
}

void DigestsBeside::hash() {
    Sha256 sha;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !toHash_.empty(); });
        if (stopping_) return;
        std::unique_ptr<Buffer> buffer = std::move(toHash_.front());
        toHash_.pop_front();
        lock.unlock();
        std::vector<Digest> ended;
        std::exception_ptr failure;
        try {
            std::size_t at = 0;
            for (const Part& part : buffer->parts) {
                hashCounted(sha, {buffer->bytes.get() + at, part.length});
                at += part.length;
                if (part.endsPiece) ended.push_back(sha.finish());
            }
        } catch (...) {
            failure = std::current_exception();
        }
        std::optional<std::promise<void>> hashed = std::move(buffer->hashed);
        buffer->hashed.reset();
        buffer->filled = 0;
        buffer->parts.clear();
        lock.lock();
        digests_.insert(digests_.end(), ended.begin(), ended.end());
        if (failure && !failure_) failure_ = failure;
        free_.push_back(std::move(buffer));
        changed_.notify_all();
        if (hashed) failure_ ? hashed->set_exception(failure_) : hashed->set_value();
    }
}

}  // namespace quorvel
