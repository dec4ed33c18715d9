#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/window_test.h"

namespace quorvel::testing {

// What a run that met a fault left in the window.
struct RunOutcome {
    std::vector<std::string> messages;
    bool inputsEnabled = false;
    int filesLeftOpen = 0;
    bool nextRunWorks = false;
};

// The entries of some folders by path: a file's bytes, "-> target" for a link, "<folder>".
using FolderContents = std::map<std::string, std::string>;

// A window over a folder of sources or pieces (`dir`) and a destination folder (`out`).
class FaultTest : public WindowTest {
protected:
    TempFolder out;

    FolderContents contents() const;
    // Runs `run`, then tries a split of a fresh file, as a user would after the message.
    RunOutcome outcomeOf(const std::function<void()>& run);
    // The same in a child process whose files cannot grow past `limit` bytes, as on a full disk;
    // the disk is shared, the window is the child's copy.
    RunOutcome outcomeWithFileSizeLimit(std::int64_t limit, const std::function<void()>& run);

private:
    bool nextRunWorks();
};

// One message holding every text of `mentions`, the inputs usable again, no file left open, and
// a next run that works.
void expectCleanFailure(const RunOutcome& outcome, const std::vector<std::string>& mentions);

// After a failed run: every entry is as it was `before` or, where `complete` lists it, complete.
// Nothing is missing and nothing else is there: no partial piece, no temporary file.
void expectNothingPartial(const FolderContents& before, const FolderContents& after,
                          const FolderContents& complete = {});

// The pieces `<folder>/<name>_<n>.xst` of `bytes` cut into `parts`.
FolderContents piecesOf(const std::string& folder, const std::string& name,
                        const std::string& bytes, int parts);

// A folder in which nothing can be created, renamed or removed, even by root, while the object
// lives (the immutable flag of chattr +i).
class ImmutableFolder {
public:
    explicit ImmutableFolder(std::string path);
    ~ImmutableFolder();
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;
    // False where the file system keeps no such flag; the test then has nothing to try.
    bool held() const { return held_; }

private:
    std::string path_;
    bool held_ = false;
};

}  // namespace quorvel::testing
