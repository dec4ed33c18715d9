#include "platform/copy/gathered_digests.h"

#include <cstring>
#include <stdexcept>

#include "platform/copy/hashing_totals.h"

namespace quorvel {
namespace {

constexpr std::size_t bufferCount = 4;
constexpr std::size_t bufferSize = std::size_t{256} << 10;

}  // namespace

GatheredDigests::GatheredDigests(Hashed hashed, Failed failed)
    : hashed_(std::move(hashed)), failed_(std::move(failed)) {
    for (std::size_t n = 0; n < bufferCount; ++n) {
        auto buffer = std::make_unique<Buffer>();
        buffer->bytes = std::make_unique_for_overwrite<char[]>(bufferSize);
        free_.push_back(std::move(buffer));
    }
    filling_ = std::move(free_.back());
    free_.pop_back();
    thread_ = std::thread([this] { hash(); });
}

GatheredDigests::~GatheredDigests() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void GatheredDigests::take(std::size_t index, std::span<const char> bytes) {
    if (bytes.size() > bufferSize) throw std::logic_error("a gathered piece longer than a buffer");
    if (filling_->filled + bytes.size() > bufferSize) passOn();
    std::memcpy(filling_->bytes.get() + filling_->filled, bytes.data(), bytes.size());
    filling_->filled += bytes.size();
    filling_->pieces.emplace_back(index, bytes.size());
}

// The buffer filled goes to the thread, and a free one takes its place.
void GatheredDigests::passOn() {
    if (filling_->pieces.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    toHash_.push_back(std::move(filling_));
    changed_.notify_all();
    changed_.wait(lock, [this] { return !free_.empty(); });
    filling_ = std::move(free_.back());
    free_.pop_back();
}

void GatheredDigests::hash() {
    Sha256 sha;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !toHash_.empty(); });
        if (stopping_) return;
        std::unique_ptr<Buffer> buffer = std::move(toHash_.front());
        toHash_.pop_front();
        lock.unlock();
        try {
            std::size_t at = 0;
            for (const auto& [index, length] : buffer->pieces) {
                hashCounted(sha, {buffer->bytes.get() + at, length});
                hashed_(index, sha.finish());
                at += length;
            }
        } catch (...) {
            failed_(std::current_exception());
        }
        buffer->filled = 0;
        buffer->pieces.clear();
        lock.lock();
        free_.push_back(std::move(buffer));
        changed_.notify_all();
    }
}

}  // namespace quorvel
