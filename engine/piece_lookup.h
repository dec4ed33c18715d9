#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/folder.h"

namespace quorvel {

struct FoundFile {
    std::string name;  // in the set's folder
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
    // The folder of the set, where the names found are opened.
    const Folder& folder() const { return folder_; }

  private:
    void list();
    std::optional<FoundFile> ordinaryFile(const std::string& name) const;

    std::string prefix_;
    Folder folder_;
    std::string stem_;  // the prefix's name in its folder
    std::function<void()> answering_;
    bool listed_ = false;
    bool twoSets_ = false;
    // The names of the set spelt otherwise than its own, by their folded form.
    std::unordered_map<std::string, std::string> byFoldedName_;
};

}  // namespace quorvel
