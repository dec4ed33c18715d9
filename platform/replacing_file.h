#pragma once

#include <string>

#include "platform/file.h"
#include "platform/folder.h"

namespace quorvel {

enum class Durability {
    cached,       // in place for every reader; on the disk when the system gets to it
    onDisk,       // on the disk, folder entry included, before commit() returns
    entryOnDisk,  // the bytes already on the disk; the folder entry too before commit() returns
};

// A file written under a temporary name beside its target and moved over the target only once
// complete, so the target never holds partial content and what was there survives a failure.
// Messages about it name the target.
class ReplacingFile {
public:
    // The file `name` in `folder`, which outlives it.
    ReplacingFile(const Folder& folder, const std::string& name, unsigned permissions);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~ReplacingFile();

    File& file() { return file_; }
    // Puts the content in place of the target. Waiting for the disk costs as long as writing out
    // what is still only in memory, so only a caller about to rely on it asks.
    void commit(Durability durability);

private:
    const Folder& folder_;
    std::string name_;
    File file_;
    bool committed_ = false;
};

}  // namespace quorvel
