#include "engine/piece_lookup.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>
#include <future>
#include <string_view>
#include <vector>

#include "engine/piece_naming.h"
#include "engine/set_record.h"
#include "platform/blocking_calls.h"
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

bool endsFoldedWith(std::string_view name, std::string_view foldedEnd) {
    return name.size() >= foldedEnd.size() &&
           std::ranges::equal(name.substr(name.size() - foldedEnd.size()), foldedEnd,
                              [](char a, char b) { return folded(a) == b; });
}

// The n of a name "<stem><n>.xst" of the set: the stem spelt as the set spells it, then digits
// without a leading zero, and the extension in any letter case.
std::optional<std::int32_t> numberAsSpelt(std::string_view name, std::string_view stem) {
    constexpr std::string_view extension = ".xst";
    if (!name.starts_with(stem) || !endsFoldedWith(name, extension)) return std::nullopt;
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

std::string PieceLookup::pieceName(std::int32_t n) const {
    return naming::pieceOfSet(stem_, n);
}

std::optional<FoundFile> PieceLookup::find(std::int32_t n) {
    return find(n, folder_.ordinaryFileLength(pieceName(n)).value_or(notAsSpelt));
}

std::optional<FoundFile> PieceLookup::find(std::int32_t n, std::int64_t lengthAsSpelt) {
    if (lengthAsSpelt != notAsSpelt) {
        const std::string name = pieceName(n);
        return FoundFile{name, folder_.pathOf(name), lengthAsSpelt};
    }
    list();
    if (const auto other = extensionInOtherCase_.find(n); other != extensionInOtherCase_.end()) {
        return ordinaryFile(other->second);
    }
    return foldedAlike(pieceName(n));
}

void PieceLookup::lengthsAsSpelt(std::int32_t first, std::span<std::int64_t> lengths) {
    const auto take = [this](std::span<std::int64_t> some, std::int32_t from,
                             const std::function<void()>& answer) {
        for (std::int32_t n = from; std::int64_t & length : some) {
            answer();
            length = folder_.ordinaryFileLength(pieceName(n++)).value_or(notAsSpelt);
        }
    };
    const std::size_t half = lengths.size() / 2;
    const auto later = static_cast<std::int32_t>(half) + first;
    std::future<void> laterHalf = callInTurn([&] { take(lengths.subspan(half), later, [] {}); });
    std::exception_ptr stopped;  // the later half goes on using `lengths` till it is done
    try {
        take(lengths.first(half), first, answering_);
    } catch (...) {
        stopped = std::current_exception();
    }
    waitAnswering(laterHalf, answering_);
    if (stopped) std::rethrow_exception(stopped);
}

std::optional<FoundFile> PieceLookup::findRecord() {
    const std::string name = record::nameFor(stem_.substr(0, stem_.size() - 1));
    if (auto exact = ordinaryFile(name)) return exact;
    list();
    if (!recordInOtherCase_.empty()) return ordinaryFile(recordInOtherCase_);
    return foldedAlike(name);
}

std::optional<FoundFile> PieceLookup::foldedAlike(const std::string& name) const {
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

// Takes the names that could belong to the set: its pieces, its record, and the file it was cut
// from. A name spelt as the set spells it is found under that name, so only its number is noted;
// one whose stem is so spelt but whose ending is in another case (a.bin_2.XST) is kept by its
// number, and the few spelt otherwise are kept by their folded form. A large set is listed
// without a copy of each name.
void PieceLookup::list() {
    if (listed_) return;
    listed_ = true;
    const std::string source = stem_.substr(0, stem_.size() - 1);
    const std::string setRecord = record::nameFor(source);
    const std::string foldedStem = caseFolded(stem_);
    const std::string foldedSource = caseFolded(source);
    const std::string foldedRecord = caseFolded(setRecord);
    std::vector<std::int32_t> spelt;  // the numbers of the pieces spelt as the set spells them
    bool sourceSpelt = false, recordSpelt = false;
    forEachFolderEntry(folderOf(prefix_), [&](std::string_view name) {
        answering_();  // taking tens of thousands of names in takes as long as listing them
        if (name == source) {
            sourceSpelt = true;
        } else if (name.starts_with(source) &&
                   caseFolded(name.substr(source.size())) == foldedRecord.substr(source.size())) {
            recordSpelt = true;
            if (name != setRecord) recordInOtherCase_ = name;
        } else if (const auto n = numberAsSpelt(name, stem_)) {
            spelt.push_back(*n);
            if (!name.ends_with(".xst")) extensionInOtherCase_.emplace(*n, name);
        } else if (startsFoldedWith(name, foldedSource)) {
            std::string foldedName = caseFolded(name);
            const bool ofTheSet =
                foldedName.starts_with(foldedStem) && naming::isPieceFile(foldedName);
            if (!ofTheSet && foldedName != foldedSource && foldedName != foldedRecord) return;
            if (!byFoldedName_.emplace(std::move(foldedName), name).second) twoSets_ = true;
        }
    });
    // Two names that fold alike are two sets, and one of them may be spelt as the set spells it.
    std::ranges::sort(spelt);
    const auto alsoSpelt = [&](const std::string& foldedName) {
        if (foldedName == foldedSource) return sourceSpelt;
        if (foldedName == foldedRecord) return recordSpelt;
        const auto n = numberAsSpelt(foldedName, foldedStem);
        return n && std::ranges::binary_search(spelt, *n);
    };
    for (const auto& entry : byFoldedName_) {
        if (alsoSpelt(entry.first)) twoSets_ = true;
    }
}

}  // namespace quorvel
