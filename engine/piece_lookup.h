#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

#include "platform/folder.h"

namespace quorvel {

struct FoundFile {
    std::string name;  // in the set's folder
    std::string path;
    std::int64_t length;
};

// Finds the pieces of one set, and its record, the way Windows finds files, whatever the letter
// case of their names on disk: under the exact name first, then under a name that differs only in
// case. Where the folder holds two names of the set (or of its source, or its record) that differ
// only in case, those are two sets, and only exact names are taken. The folder is listed at most
// once, so counting a large set stays linear.
class PieceLookup {
  public:
    // `prefix`: a piece's path up to and including the "_" before its number. `answering` is
    // called for every name while the folder is listed, so the window answers in a large one.
    PieceLookup(std::string prefix, std::function<void()> answering);

    // Piece `n`, if it is there as an ordinary file.
    std::optional<FoundFile> find(std::int32_t n);
    // The same, where `lengthAsSpelt` is what lengthsAsSpelt() found for it.
    std::optional<FoundFile> find(std::int32_t n, std::int64_t lengthAsSpelt);
    // The length of each piece from `first` on, one for each of `lengths`, under the name the set
    // spells it, or notAsSpelt for a piece not there so. A large set's count is mostly waiting for
    // the system's answers, so half of them are asked for on the thread for blocking calls while
    // this one asks for the others.
    void lengthsAsSpelt(std::int32_t first, std::span<std::int64_t> lengths);
    static constexpr std::int64_t notAsSpelt = -1;
    // The set's record, if it is there as an ordinary file.
    std::optional<FoundFile> findRecord();
    // The name of piece `n` as the set spells it.
    std::string pieceName(std::int32_t n) const;
    // The folder of the set, where the names found are opened.
    const Folder& folder() const { return folder_; }

  private:
    void list();
    std::optional<FoundFile> foldedAlike(const std::string& name) const;
    std::optional<FoundFile> ordinaryFile(const std::string& name) const;

    std::string prefix_;
    Folder folder_;
    std::string stem_;  // the prefix's name in its folder
    std::function<void()> answering_;
    bool listed_ = false;
    bool twoSets_ = false;
    // The names of the set spelt otherwise than its own, by their folded form; those whose stem is
    // its own but whose ending is in another case, by their number.
    std::unordered_map<std::string, std::string> byFoldedName_;
    std::unordered_map<std::int32_t, std::string> extensionInOtherCase_;
    std::string recordInOtherCase_;
};

}  // namespace quorvel
