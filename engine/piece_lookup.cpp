#include "engine/piece_lookup.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>
#include <vector>

#include "engine/piece_naming.h"
#include "platform/file_system.h"

namespace quorvel {
namespace {

char folded(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string caseFolded(std::string_view name) {
    std::string result(name);
    std::ranges::transform(result, result.begin(), folded);
    return result;
}

bool startsFoldedWith(std::string_view name, std::string_view foldedStart) {
    return name.size() >= foldedStart.size() &&
           std::ranges::equal(name.substr(0, foldedStart.size()), foldedStart,
                              [](char a, char b) { return folded(a) == b; });
}

// The n of a name "<stem><n>.xst" spelt as the set spells it: the stem as it is, then digits
// without a leading zero.
std::optional<std::int32_t> numberAsSpelt(std::string_view name, std::string_view stem) {
    constexpr std::string_view extension = ".xst";
    if (!name.starts_with(stem) || !name.ends_with(extension)) return std::nullopt;
    const std::string_view digits =
        name.substr(stem.size(), name.size() - stem.size() - extension.size());
    if (digits.empty() || digits.front() < '1' || digits.front() > '9') return std::nullopt;
    std::int32_t n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return n;
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

// Takes the names that could belong to the set: its pieces, and the file it was cut from. A name
// spelt as the set spells it is found under that name, so only its number is noted; the few
// spelt otherwise are kept by their folded form. A large set is listed without a copy of each name.
void PieceLookup::list() {
    if (listed_) return;
    listed_ = true;
    const std::string source = stem_.substr(0, stem_.size() - 1);
    const std::string foldedStem = caseFolded(stem_);
    const std::string foldedSource = caseFolded(source);
    std::vector<std::int32_t> spelt;  // the numbers of the pieces spelt as the set spells them
    bool sourceSpelt = false;
    forEachFolderEntry(folderOf(prefix_), [&](std::string_view name) {
        answering_();  // taking tens of thousands of names in takes as long as listing them
        if (name == source) {
            sourceSpelt = true;
        } else if (const auto n = numberAsSpelt(name, stem_)) {
            spelt.push_back(*n);
        } else if (startsFoldedWith(name, foldedSource)) {
            std::string foldedName = caseFolded(name);
            const bool ofTheSet =
                foldedName.starts_with(foldedStem) && naming::isPieceFile(foldedName);
            if (!ofTheSet && foldedName != foldedSource) return;
            if (!byFoldedName_.emplace(std::move(foldedName), name).second) twoSets_ = true;
        }
    });
    // Two names that fold alike are two sets, and one of them may be spelt as the set spells it.
    std::ranges::sort(spelt);
    const auto alsoSpelt = [&](const std::string& foldedName) {
        if (foldedName == foldedSource) return sourceSpelt;
        const auto n = numberAsSpelt(foldedName, foldedStem);
        return n && std::ranges::binary_search(spelt, *n);
    };
    for (const auto& entry : byFoldedName_) {
        if (alsoSpelt(entry.first)) twoSets_ = true;
    }
}

}  // namespace quorvel
