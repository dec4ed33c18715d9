#include "platform/copy/hashing_totals.h"

#include <atomic>
#include <chrono>

namespace quorvel {
namespace {

std::atomic<std::int64_t> bytesHashed{0};
std::atomic<std::int64_t> nanosecondsHashing{0};

}  // namespace

HashingTotals hashingTotals() {
    return {bytesHashed.load(), static_cast<double>(nanosecondsHashing.load()) / 1e9};
}

void hashCounted(Sha256& sha, std::span<const char> bytes) {
    const auto started = std::chrono::steady_clock::now();
    sha.add(bytes);
    bytesHashed += static_cast<std::int64_t>(bytes.size());
    nanosecondsHashing += std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now() - started)
                              .count();
}

}  // namespace quorvel
