#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace quorvel {

// A run's destination folder, checked before anything is written, so that what a run starts it
// can finish: no file over the file system's largest file, and every file, counted in the file
// system's allocation units, within its free space.
class Destination {
  public:
    explicit Destination(std::string folder);

    // What a file of `length` bytes takes there.
    std::int64_t onDisk(std::int64_t length) const;
    // Refuses a run whose files need `needed` bytes of the disk at one time; `purpose` names them.
    void requireFreeSpace(std::int64_t needed, const std::string& purpose) const;
    // Refuses a split of `source` into `partCount` parts whose first piece, the largest, is over
    // the largest file, naming the fewest parts that fit.
    void requirePiecesWithinLimit(const std::string& source, std::int64_t length,
                                  std::int32_t partCount) const;
    // Refuses a joined file `name` of `length` bytes over the largest file.
    void requireJoinedFileWithinLimit(const std::string& name, std::int64_t length) const;

  private:
    // Why a file of `length` bytes cannot be there; nothing when it can.
    std::optional<std::string> limitReason(std::int64_t length) const;

    std::string folder_;
    std::optional<FileSystemFacts> facts_;
};

// "812 bytes", "1.5 GiB": tenths rounded up or down, so that a size shown as needed never reads
// as equal to a smaller one shown as free.
std::string sizeText(std::int64_t bytes, bool roundUp);

}  // namespace quorvel
