#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/file.h"

namespace quorvel {

// Files shorter than a step, ended but not yet known to be on the medium. Waiting for each alone
// would cost more than writing it, so they are put there in batches. Each file is kept open under
// a handle of the batch's own until its bytes are there, so the run may close, rename or give up
// its files meanwhile; nothing here ever waits.
class ShortFiles {
  public:
    ShortFiles();
    ShortFiles(const ShortFiles&) = delete;
    ShortFiles& operator=(const ShortFiles&) = delete;
    ~ShortFiles();

    // Files a batch holds at most: well below the usual limit of 1,024 descriptors, with two
    // batches open.
    static constexpr std::size_t mostInABatch = 256;

    // `file` ends after `length` bytes and is about to be closed.
    void add(const File& file, std::int64_t length);
    // True when no more should be added to this batch.
    bool full() const;
    // The call, to be made on the thread for blocking calls, that puts the files added since the
    // last batch on the medium. What fails in it names the file.
    std::function<void()> takeBatch();
    // The same, and with them the entries of every file written into `folder`, where the system
    // keeps them apart from the bytes.
    std::function<void()> takeWhole(const std::string& folder);

  private:
    struct Batch;  // per system
    std::unique_ptr<Batch> filling_;
};

}  // namespace quorvel
