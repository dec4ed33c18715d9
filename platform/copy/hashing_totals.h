#pragma once

#include <cstdint>
#include <span>

#include "platform/sha256.h"

namespace quorvel {

// What every hashing thread of this program hashed so far, and the time it took: the pace hashing
// keeps, for the benchmark.
struct HashingTotals {
    std::int64_t bytes;
    double seconds;
};
HashingTotals hashingTotals();

// Adds `bytes` to `sha`, and counts them and the time that took in the totals.
void hashCounted(Sha256& sha, std::span<const char> bytes);

}  // namespace quorvel
