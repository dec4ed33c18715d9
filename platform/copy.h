#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/file.h"

namespace quorvel {

// Files shorter than a step, ended but not yet known to be on the medium. Waiting for each alone
// would cost more than writing it, so they are put there in batches, a step's worth at a time.
class ShortFiles {
public:
    ShortFiles();
    ShortFiles(const ShortFiles&) = delete;
    ShortFiles& operator=(const ShortFiles&) = delete;
    // Waits for a batch still on its way.
    ~ShortFiles();
    // `file` ends after `length` bytes and is about to be closed.
    void add(File& file, std::int64_t length);
    // True when no more should be added before passOn().
    bool full() const;
    // The files added since the last call go on their way to the medium, while the next ones are
    // written; returns once the batch passed on before is there. What failed in it throws here.
    void passOn();
    // Returns once every file added is on the medium, and with them the entries of every file
    // written into `folder` (where the system keeps them apart from the bytes).
    void awaitWhole(const std::string& folder);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Puts what a run writes on the medium as it goes, in steps sized by time: each step's write-out
// starts as soon as it is written, and the step two before it is waited for, so the disk always
// has a step to take while the next is written, and at most three are ever only in memory. Every
// wait lets the window answer, however slow the medium turns. One pacer serves a whole run, across
// all the files it writes into `folder`; each file is written in order from its start. Short copies
// into one file (the pieces of a large set joined) are gathered and written together: each write to
// the system costs as much as moving a few KiB.
class WriteOutPacer {
public:
    // `answer` lets the window answer while the pacer waits for the medium.
    WriteOutPacer(std::string folder, std::function<void()> answer);

    // The most bytes to copy into `file` before the next call to written(): what is left of the
    // step, and, where the window's thread makes the calls, no more than one call should copy.
    std::int64_t room(const File& file) const;
    // `length` more bytes were written at the end of `file`; the window answers if it is time.
    // True when that ended a step: the bar may move now.
    bool written(File& file, std::int64_t length);
    // Bytes of `file` (the file being written) that are already on the medium, counted from its
    // start, and bytes written to it.
    std::int64_t onMedium(const File& file) const { return &file == file_ ? onMedium_ : 0; }
    std::int64_t writtenTo(const File& file) const { return &file == file_ ? written_ : 0; }
    // Writes up to `wanted` bytes into `file` with `write`, which writes at least one byte and at
    // most the number it is given and tells how many, and returns how many were written. While
    // earlier bytes of the file are on their way to the medium, a write into it can wait for them
    // (the file system allocates their blocks under the file's own lock, as long as the disk
    // makes it), so then all `wanted` are written off the window's thread, in one hand-over, while
    // the window answers; otherwise `write` is called once, here.
    std::int64_t writeInto(const File& file, std::int64_t wanted,
                           const std::function<std::int64_t(std::int64_t)>& write);
    // Copies `length` bytes, short of a step, from the current position of `from` to the end of
    // `to` by way of memory: they reach `to` with the next copies into it, or when it ends.
    void gather(File& from, File& to, std::int64_t length);
    // What was gathered goes into its file now.
    void writeGathered();
    // `file` is complete and about to be closed: the bytes of a long one are put on the medium
    // now, a short one goes on its way there.
    void fileEnded(File& file);
    // Returns once every file ended so far is on the medium, with its folder entry.
    void awaitEndedFiles();

private:
    bool onItsWay(const File& file) const { return &file == file_ && stepBegin_ > 0; }
    void follow(File& file);
    void endStep(std::int64_t bytes);
    void paceCalls(std::int64_t bytes);
    // Lets the window answer, then times the call that follows.
    void answerBeforeNextCall();

    std::string folder_;
    std::function<void()> answer_;
    File* file_ = nullptr;
    std::int64_t written_ = 0;          // in file_
    std::int64_t stepBegin_ = 0;        // in file_: where the step being written began
    std::int64_t lastStarted_ = 0;      // in file_: where the step whose write-out began last began
    std::int64_t onMedium_ = 0;         // in file_: from here on, two steps are on their way
    std::unique_ptr<char[]> gathered_;  // allocated once something is gathered
    std::int64_t gatheredLength_ = 0;
    File* gatheredInto_ = nullptr;
    ShortFiles shortFiles_;
    std::int64_t shortBytes_ = 0;  // of short files not yet known to be on the medium
    bool filesEnded_ = false;      // since the last awaitEndedFiles()
    std::int64_t stepSize_;
    std::int64_t callSize_;  // the most the next call to the system copies
    std::chrono::steady_clock::time_point stepStarted_;
    std::chrono::steady_clock::time_point callStarted_;  // of the call being timed
};

// Copies `length` bytes from the current position of `from` to the end of `to`: a short copy is
// gathered (see WriteOutPacer::gather), a longer one goes a step at a time, and after each step
// but the last `afterStep` gets the bytes of this copy that are on the medium, so a window can
// show them and answer. A source that ends early is an error: nothing short is ever passed off
// as complete.
void copyBytes(File& from, File& to, std::int64_t length, WriteOutPacer& pacer,
               const std::function<void(std::int64_t onMedium)>& afterStep = {});

// What each system supplies to the copy.

// Reads at least one and at most `wanted` bytes from the current position of `from` into
// `buffer`, and tells how many. A file that ends there is an error.
std::int64_t readSome(File& from, char* buffer, std::int64_t wanted);
// Writes `length` bytes at the current position of `to`.
void writeAll(File& to, const char* bytes, std::int64_t length);

// Moves bytes from the current position of one file to that of another, as fast as the system
// allows for a copy of that length.
class ChunkCopier {
public:
    ChunkCopier(File& from, File& to, std::int64_t length);
    ChunkCopier(const ChunkCopier&) = delete;
    ChunkCopier& operator=(const ChunkCopier&) = delete;
    ~ChunkCopier();
    // Copies at least one and at most `wanted` bytes, and tells how many.
    std::int64_t copy(std::int64_t wanted);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Starts putting bytes `begin` to `end` of `file` on the medium, and returns.
void startWriteOut(File& file, std::int64_t begin, std::int64_t end);
// Returns once bytes `begin` to `end` of `file` are on the medium; the system's cache may then
// let them go.
void awaitWriteOut(File& file, std::int64_t begin, std::int64_t end);

}  // namespace quorvel
