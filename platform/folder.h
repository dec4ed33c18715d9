#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file.h"

namespace quorvel {

// A folder whose files are looked up by their names in it. Where the system looks names up from
// an open folder (POSIX), it is held open, so that a lookup walks one name and not the whole path
// again: for tens of thousands of small pieces, walking their paths costs as much as copying them.
class Folder {
  public:
    // `leading`: a path up to and including its last separator, or "" for the current folder.
    explicit Folder(std::string leading);
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder();

    // The path of the file `name` in it, as messages give it.
    std::string pathOf(const std::string& name) const { return leading_ + name; }
    // The length of the file `name` when it is an ordinary file, as ordinaryFileLength() finds it.
    std::optional<std::int64_t> ordinaryFileLength(const std::string& name) const;
    // The file `name`, opened as File::openForReading() opens its path.
    File openForReading(const std::string& name) const;

  private:
    std::string leading_;
    NativeHandle handle_;
};

}  // namespace quorvel
