#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "platform/copy/answering.h"
#include "platform/copy/chunk_copy.h"
#include "platform/copy/gathered_copies.h"
#include "platform/copy/output_file.h"
#include "platform/copy/pace.h"

namespace quorvel {

// The parts of a run that every copy into its files shares.
struct CopyParts {
    Pace& pace;
    GatheredCopies& gathered;
    Answering& answering;
};

// Copies `length` bytes from the current position of `from` to the end of `into`. A short copy is
// gathered (GatheredCopies) and reaches the file with the next copy into it or when it ends; a
// longer one goes a step at a time, each step on its way to the medium as soon as it is written,
// and the run answers after every call. After each step but the last, `afterStep` gets the bytes
// of this copy that are on the medium, so a window can show them. A source that ends early is an
// error: nothing short is ever passed off as complete. Tells where a short copy's bytes are kept
// until the next copy; nothing for a longer one.
std::span<const char> copyBytes(File& from, OutputFile& into, std::int64_t length,
                                const CopyParts& parts,
                                const std::function<void(std::int64_t onMedium)>& afterStep);

// What is gathered goes into its file now.
void writeGathered(const CopyParts& parts);

}  // namespace quorvel
