#pragma once

#include <cstdint>
#include <string>

#include "engine/run_host.h"

namespace quorvel {

struct SplitRequest {
    std::string sourcePath;  // the file to split
    std::string savePath;    // the folder the pieces go into, with or without its separator
    std::int32_t partCount;
};

// Cuts the source into the pieces of a set, each written, checked and put in place in turn, and
// tells `host` of each one. The first piece goes in place last, once every other one is on the
// medium, so that a split that does not complete leaves no set a join would take. Throws RunError
// with the reason (saying that the set is incomplete once pieces were written), or RunCancelled.
void splitFile(const SplitRequest& request, RunHost& host);

}  // namespace quorvel
