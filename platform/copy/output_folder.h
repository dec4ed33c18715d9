#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <span>
#include <string>

#include "platform/copy/answering.h"
#include "platform/copy/chunk_copy.h"
#include "platform/copy/gathered_copies.h"
#include "platform/copy/output_file.h"
#include "platform/copy/pace.h"
#include "platform/copy/short_files.h"
#include "platform/folder.h"

namespace quorvel {

struct CopyParts;

// What a run writes into one folder, and the one place that says in which order it reaches the
// medium: each file is written under a temporary name, goes on its way to the medium step by
// step as it is written, and is put in place once complete, in one of the three orders below.
// Files shorter than a step are put on the medium together, a step's worth at a time, while the
// next ones are written. Every wait lets the run answer, however slow the medium turns.
class OutputFolder {
  public:
    // The folder that holds the file at `path`; `answering` serves the run's waits.
    OutputFolder(const std::string& path, Answering& answering, Pace::Clock clock = {});
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    const Folder& folder() const { return folder_; }
    // Removes the temporary files a run that ended without its cleaning (a crash, a pulled plug)
    // left here, so their room counts as free; those of a run still going are held, and stay.
    void removeStaleTemporaries() const;
    std::unique_ptr<OutputFile> create(const std::string& name, unsigned permissions) const;

    // Copies `length` bytes from the current position of `from` to the end of `into` (see
    // copyBytes).
    std::span<const char> copy(File& from, OutputFile& into, std::int64_t length,
                               const std::function<void(std::int64_t onMedium)>& afterStep = {});

    // `file` is complete: its last bytes go on their way to the medium, and it waits to be placed.
    void end(OutputFile& file);
    // The bytes written into `file` so far go on their way to the medium now, not with its next
    // step: while the run waits for something else before it places the file.
    void sendOnItsWay(OutputFile& file);
    // `file` is complete and goes in place now; its bytes reach the medium with the rest of the
    // run's files (a piece of a set, which makes no set without its first piece).
    void place(OutputFile& file);
    // Returns once every file placed or ended so far is on the medium, with their entries.
    void awaitEverything();
    // `file` is complete and goes in place last: every file placed before it, and its own bytes,
    // on the medium with their entries first (the first piece, which makes the set whole); its
    // own entry is there too when this returns.
    void placeLast(OutputFile& file);
    // `file` is complete: its bytes on the medium, then in place, with its entry on the medium
    // when this returns (a file that stands alone: the joined file).
    void placeDurably(OutputFile& file);

  private:
    void passOnShortFiles();
    // What each copy into the folder's files shares.
    CopyParts parts();

    Folder folder_;
    Answering& answering_;
    Pace pace_;
    GatheredCopies gathered_;
    ShortFiles shortFiles_;
    std::int64_t shortBytes_ = 0;  // of short files not yet passed on
    std::future<void> shortFilesOnTheirWay_;
    bool unsettled_ = false;  // files ended since awaitEverything() last returned
};

}  // namespace quorvel
