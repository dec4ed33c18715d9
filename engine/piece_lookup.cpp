#include "engine/piece_lookup.h"

#include <algorithm>
#include <cctype>

#include "engine/piece_naming.h"
#include "platform/file_system.h"

namespace quorvel {
namespace {

std::string caseFolded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

}  // namespace

PieceLookup::PieceLookup(std::string prefix, std::function<void()> answering)
    : prefix_(std::move(prefix)),
      folder_(Folder::containing(prefix_)),
      stem_(folder_.nameOf(prefix_)),
      answering_(std::move(answering)) {}

std::optional<FoundFile> PieceLookup::find(std::int32_t n) {
    const std::string name = naming::pieceOfSet(stem_, n);
    if (auto exact = ordinaryFile(name)) return exact;
    list();
    if (twoSets_) return std::nullopt;
    const auto found = byFoldedName_.find(caseFolded(name));
    if (found == byFoldedName_.end()) return std::nullopt;
    return ordinaryFile(found->second);
}

std::optional<FoundFile> PieceLookup::ordinaryFile(const std::string& name) const {
    const auto length = folder_.ordinaryFileLength(name);
    if (!length) return std::nullopt;
    return FoundFile{name, folder_.pathOf(name), *length};
}

// Takes the names that could belong to the set: its pieces, and the file it was cut from.
void PieceLookup::list() {
    if (listed_) return;
    listed_ = true;
    const std::string stem = caseFolded(stem_);
    const std::string source = stem.substr(0, stem.size() - 1);
    for (const std::string& name : folderEntries(folderOf(prefix_), answering_)) {
        answering_();  // taking tens of thousands of names in takes as long as listing them
        const std::string folded = caseFolded(name);
        const bool ofTheSet = folded.starts_with(stem) && naming::isPieceFile(folded);
        if (!ofTheSet && folded != source) continue;
        if (!byFoldedName_.emplace(folded, name).second) twoSets_ = true;
    }
}

}  // namespace quorvel
