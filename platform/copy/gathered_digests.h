#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sha256.h"

namespace quorvel {

// The SHA-256 of short pieces whose bytes a copy gathered, computed on a thread of their own: the
// bytes are copied into a few buffers of 256 KiB, and each full buffer is hashed while the copy
// goes on. Waking a thread for each piece of a few KiB would cost more than hashing it.
class GatheredDigests {
  public:
    using Hashed = std::function<void(std::size_t index, const Digest& digest)>;
    using Failed = std::function<void(std::exception_ptr failure)>;

    // `hashed` and `failed` are called on the hashing thread.
    GatheredDigests(Hashed hashed, Failed failed);
    GatheredDigests(const GatheredDigests&) = delete;
    GatheredDigests& operator=(const GatheredDigests&) = delete;
    // Stops the thread once the buffer it is hashing is done.
    ~GatheredDigests();

    // Piece `index`, whole. Waits only while every buffer is full, which hashing empties at over
    // a GB/s.
    void take(std::size_t index, std::span<const char> bytes);
    // What is taken so far goes to the thread now.
    void passOn();

  private:
    struct Buffer {
        std::unique_ptr<char[]> bytes;
        std::size_t filled = 0;
        std::vector<std::pair<std::size_t, std::size_t>> pieces;  // index, length
    };

    void hash();

    Hashed hashed_;
    Failed failed_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Buffer>> free_;
    std::deque<std::unique_ptr<Buffer>> toHash_;
    std::unique_ptr<Buffer> filling_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace quorvel
