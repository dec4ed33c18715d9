#include "engine/join_run.h"

#include <numeric>
#include <span>

#include "engine/free_space.h"
#include "engine/piece_lookup.h"
#include "engine/piece_naming.h"
#include "platform/copy/answering.h"
#include "platform/copy/chunk_copy.h"
#include "platform/copy/output_folder.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// Piece n as the count found it. A piece is nearly always under its own name, so it is opened
// there first and the lookup is only asked again for a piece renamed in letter case.
File openPiece(PieceLookup& lookup, const std::string& prefix, std::int32_t n) {
    const std::string expected = naming::pieceOfSet(prefix, n);
    try {
        return lookup.folder().openForReading(naming::fileName(expected));
    } catch (const RunError&) {
        const auto found = lookup.find(n);
        if (!found) {
            throw RunError("The piece " + expected +
                           " has gone missing since the set was counted; nothing was joined.");
        }
        return lookup.folder().openForReading(found->name);
    }
}

void requireCountedLength(const File& piece, std::int64_t counted) {
    const std::int64_t length = piece.lengthWhenOpened();
    if (length != counted) {
        throw RunError("The piece " + piece.name() + " changed since the set was counted (" +
                       std::to_string(counted) + " bytes then, " + std::to_string(length) +
                       " now); nothing was joined.");
    }
    if (length == 0) {
        throw RunError("The piece " + piece.name() +
                       " is empty: the set is damaged, nothing was joined.");
    }
}

// The record's text, read whole: a record is small, and one far longer is none. Each of its lines
// names the piece of this set it stands for, whatever the letter case of either.
record::SetRecord readRecord(const FoundFile& found, const PieceLookup& lookup,
                             const std::string& joinedName) {
    const auto refuse = [&found](const std::string& why) {
        return RunError("The set's record " + found.name + " cannot be used: " + why +
                        ". Nothing was joined.");
    };
    File file = File::openForReading(found.path);
    if (static_cast<std::uint64_t>(file.lengthWhenOpened()) > record::longestText) {
        throw refuse("it is far longer than any record");
    }
    std::string text(static_cast<std::size_t>(file.lengthWhenOpened()), '\0');
    readExactly(file, text.data(), file.lengthWhenOpened());
    const auto namesThePiece = [&](std::int32_t n, std::string_view name) {
        if (naming::sameIgnoringCase(name, lookup.pieceName(n))) return;
        throw record::Unreadable("it names " + std::string(name) + " as piece " +
                                 std::to_string(n) + " of " + joinedName);
    };
    try {
        return record::parse(text, namesThePiece);
    } catch (const record::Unreadable& why) {
        throw refuse(why.what());
    }
}

}  // namespace

JoinRun::JoinRun(const JoinRequest& request, RunHost& host)
    : request_(request),
      host_(host),
      answering_(answeringFor(host)),
      prefix_(naming::setPrefix(request.firstPiece)),
      lookup_(prefix_, [this] { answering_.nowAndThen(); }),
      targetPath_(naming::joinedPath(request.savePath, request.firstPiece)) {
    lengths_.push_back(File::openForReading(request.firstPiece).lengthWhenOpened());
    if (const auto recordFile = lookup_.findRecord()) {
        countByRecord(*recordFile);
    } else {
        countByNames();
    }
}

JoinRun::~JoinRun() = default;

void JoinRun::countByNames() {
    for (std::int32_t n = 2;; ++n) {
        answering_.nowAndThen();
        const auto found = lookup_.find(n);
        if (!found) break;
        lengths_.push_back(found->length);
    }
}

// Every line of the record names a piece of this set, each piece is there, and each has the length
// the record gives it: a lost or shortened piece is refused before a byte is written.
void JoinRun::countByRecord(const FoundFile& recordFile) {
    record_ = readRecord(recordFile, lookup_, naming::joinedName(request_.firstPiece));
    recordPath_ = recordFile.path;
    const std::int32_t count = record_->pieceCount();
    lengths_.resize(static_cast<std::size_t>(count));  // the first piece's is known
    lookup_.lengthsAsSpelt(2, std::span(lengths_).subspan(1));
    for (std::int32_t n = 1; n <= count; ++n) {
        answering_.nowAndThen();
        std::int64_t& length = lengths_[static_cast<std::size_t>(n - 1)];
        const auto found =
            n == 1 ? std::optional<FoundFile>(FoundFile{naming::fileName(request_.firstPiece),
                                                        request_.firstPiece, length})
                   : lookup_.find(n, length);
        if (!found) {
            throw RunError(lookup_.pieceName(n) + " is missing: the set has " +
                           std::to_string(count) + " pieces.");
        }
        if (found->length != record_->pieceLength(n)) {
            throw RunError(found->name + " is damaged: it holds " + std::to_string(found->length) +
                           " bytes, and the set's record gives " +
                           std::to_string(record_->pieceLength(n)) + ".");
        }
        length = found->length;
    }
}

void JoinRun::run() {
    // What was at the target stays until the joined file is complete.
    const std::int64_t joinedLength =
        std::accumulate(lengths_.begin(), lengths_.end(), std::int64_t{0});
    OutputFolder into(targetPath_, answering_);
    into.removeStaleTemporaries();
    const Destination destination(folderOf(targetPath_));
    const std::string name = naming::fileName(targetPath_);
    destination.requireJoinedFileWithinLimit(name, joinedLength);
    destination.requireFreeSpace(destination.onDisk(joinedLength), name);

    if (record_) digests_ = std::make_unique<SourceDigests>(lengths_);
    File first = File::openForReading(request_.firstPiece);  // the chosen file itself
    const std::unique_ptr<OutputFile> output = into.create(name, first.permissions());
    for (std::int32_t n = 1; n <= pieceCount(); ++n) {
        if (n > 1) yieldBetweenPieces(host_, answering_);
        append(n, n == 1 ? std::move(first) : openPiece(lookup_, prefix_, n), into, *output);
        // The joined file is in place and on the medium, every piece checked, before the last
        // piece is told of, which reports success and may delete the pieces.
        if (n == pieceCount()) {
            if (digests_) {
                into.sendOnItsWay(*output);  // while the last digests are computed
                checkDigestsUpTo(pieceCount());
            }
            into.placeDurably(*output);
        }
        host_.pieceJoined(n, pieceCount(), *this);
    }
}

// The piece is closed as soon as it is appended. A damaged piece is refused as soon as its digest
// is known: at the latest a few hundred KiB after its end, where the system keeps pace.
void JoinRun::append(std::int32_t n, File piece, OutputFolder& into, OutputFile& output) {
    const std::int64_t length = lengths_[static_cast<std::size_t>(n - 1)];
    requireCountedLength(piece, length);
    const std::string name = naming::fileName(piece.path());
    if (name != lookup_.pieceName(n)) readOtherwise_.emplace(n, name);
    ++read_;
    if (digests_) {
        while (digests_->handlesHeld() >= mostHandlesHeld) checkDigestsUpTo(checked_ + 1);
        digests_->reading(n - 1, piece);
    }
    const std::span<const char> gathered = into.copy(piece, output, length, afterStep(n, length));
    if (!digests_) return;
    digests_->copiedWhole(n - 1, gathered);
    checkDigestsUpTo(0);
}

// After each step of piece `n`: how far the copy has read goes to the digests, and what is on the
// medium to the host.
std::function<void(std::int64_t)> JoinRun::afterStep(std::int32_t n, std::int64_t length) {
    auto progress = progressOfPiece(host_, answering_, n, pieceCount(), length);
    if (!digests_) return progress;
    return [this, n, progress = std::move(progress)](std::int64_t onMedium) {
        digests_->copied(n - 1, onMedium);
        progress(onMedium);
    };
}

void JoinRun::checkDigestsUpTo(std::int32_t count) {
    if (checked_ < count) {
        std::future<void> hashed = digests_->digestsUpTo(count);
        answering_.whileAwaiting(hashed);
    }
    while (const auto digest = digests_->digestOf(checked_)) {
        const auto index = static_cast<std::size_t>(checked_);
        if (*digest != record_->digests[index]) {
            throw RunError(nameRead(checked_ + 1) +
                           " is damaged: its checksum does not match the set's record.");
        }
        ++checked_;
    }
}

std::string JoinRun::nameRead(std::int32_t n) const {
    const auto otherwise = readOtherwise_.find(n);
    return otherwise == readOtherwise_.end() ? lookup_.pieceName(n) : otherwise->second;
}

void JoinRun::deletePieces() {
    for (std::int32_t n = 1; n <= read_; ++n) removeFile(lookup_.folder().pathOf(nameRead(n)));
    if (record_) removeFile(recordPath_);
}

}  // namespace quorvel
