#pragma once

#include <string>

#include "platform/file.h"

namespace quorvel {

// A file written under a temporary name beside its target and moved over the target only once
// complete, so the target never holds partial content and what was there survives a failure.
class ReplacingFile {
public:
    ReplacingFile(std::string target, unsigned permissions);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~ReplacingFile();

    File& file() { return file_; }
    // Makes the content durable and puts it in place of the target.
    void commit();

private:
    std::string target_;
    File file_;
    bool committed_ = false;
};

}  // namespace quorvel
