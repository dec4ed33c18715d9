#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "platform/folder.h"

namespace quorvel {

// A file a run writes from its start to its end: under a temporary name beside its name until it
// is complete, so the name never holds partial content and what was there survives a failure.
// It knows how far its bytes are on their way to the medium: each step's write-out starts as soon
// as the step is written, and the step two before is waited for, so the disk always has a step to
// take while the next is written, and at most three are ever only in memory. Messages about it
// name the file it becomes. OutputFolder puts it in place.
class OutputFile {
  public:
    // The file `name` in `folder`, which outlives it, with the permission bits `permissions`.
    OutputFile(const Folder& folder, std::string name, unsigned permissions);

    // A temporary file's name says whose it is: ".<its file's name>.quorvel-<ten letters or
    // digits>.tmp", hidden where names beginning with "." are.
    static bool isTemporaryName(std::string_view name);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Removes the temporary file unless it was put in place. Never waits for anything: a write-out
    // still under way keeps its own handle.
    ~OutputFile();

    File& file() { return file_; }
    const File& file() const { return file_; }

    std::int64_t written() const { return written_; }
    // Bytes from its start that are on the medium.
    std::int64_t onMedium() const { return onMedium_; }
    // True once a step's write-out has started: a write into the file may then wait for the
    // medium (the file system allocates the earlier bytes' blocks under the file's own lock, as
    // long as the disk takes).
    bool onItsWay() const { return stepBegin_ > 0; }
    // Bytes written since the step under way began.
    std::int64_t stepWritten() const { return written_ - stepBegin_; }
    void wrote(std::int64_t bytes) { written_ += bytes; }
    // Whether the file is complete, its last bytes on their way.
    bool ended() const { return ended_; }
    void markEnded() { ended_ = true; }

    // Calls that may block, for the thread that makes them.
    // Ends the step under way: starts its write-out and waits for the one two before it.
    void writeOutStep();
    // Starts the write-out of every byte written since the step under way began.
    void writeOutWritten();
    // Waits until every byte written is on the medium.
    void writeOutRest();
    // Its bytes and length on the medium, as the system's flush of a file puts them there.
    void flush() { file_.flush(); }
    // Closed, and moved over its name.
    void putInPlace();

  private:
    const Folder& folder_;
    std::string name_;
    File file_;
    bool ended_ = false;
    bool inPlace_ = false;
    std::int64_t written_ = 0;
    std::int64_t stepBegin_ = 0;    // where the step being written began
    std::int64_t lastStarted_ = 0;  // where the step whose write-out began last began
    std::int64_t onMedium_ = 0;     // from here on, up to two steps are on their way
};

}  // namespace quorvel
