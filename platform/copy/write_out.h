#pragma once

#include <cstdint>

#include "platform/file.h"

// What each system supplies to put one file's bytes on the medium as it is written.
namespace quorvel {

// Starts putting bytes `begin` to `end` of `file` on the medium, and returns.
void startWriteOut(File& file, std::int64_t begin, std::int64_t end);
// Returns once bytes `begin` to `end` of `file` are on the medium; the system's cache may then let
// them go.
void awaitWriteOut(File& file, std::int64_t begin, std::int64_t end);

}  // namespace quorvel
