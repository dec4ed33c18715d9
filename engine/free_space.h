#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

// Refuses, before anything is written, a run whose files would need more than the free space of
// `folder` at some point: `needed` bytes at the most at one time. The message names `purpose`.
void requireFreeSpace(const std::string& folder, std::int64_t needed, const std::string& purpose);

// "812 bytes", "1.5 GiB": tenths rounded up or down, so that a size shown as needed never reads
// as equal to a smaller one shown as free.
std::string sizeText(std::int64_t bytes, bool roundUp);

}  // namespace quorvel
