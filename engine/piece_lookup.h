#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

namespace quorvel {

struct FoundFile {
    std::string path;
    std::int64_t length;
};

// Finds the pieces of one set the way Windows finds files, whatever the letter case of their
// names on disk: under the exact name first, then under a name that differs only in case. Where
// the folder holds two names of the set (or of its source) that differ only in case, those are
// two sets, and only exact names are taken. The folder is listed at most once, so counting a
// large set stays linear.
class PieceLookup {
public:
    // `prefix`: a piece's path up to and including the "_" before its number. `answering` is
    // called for every name while the folder is listed, so the window answers in a large one.
    PieceLookup(std::string prefix, std::function<void()> answering);

    // Piece `n`, if it is there as an ordinary file.
    std::optional<FoundFile> find(std::int32_t n);

private:
    void list();

    std::string prefix_;
    std::function<void()> answering_;
    bool listed_ = false;
    bool twoSets_ = false;
    std::unordered_map<std::string, std::string> byFoldedName_;
};

}  // namespace quorvel
