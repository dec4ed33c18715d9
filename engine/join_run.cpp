#include "engine/join_run.h"

#include <numeric>

#include "engine/free_space.h"
#include "engine/piece_lookup.h"
#include "engine/piece_naming.h"
#include "platform/copy/answering.h"
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

}  // namespace

JoinRun::JoinRun(const JoinRequest& request, RunHost& host)
    : request_(request),
      host_(host),
      answering_([&host] { host.answer(); }, [&host] { return host.stopRequested(); }),
      prefix_(naming::setPrefix(request.firstPiece)),
      lookup_(prefix_, [this] { answering_.nowAndThen(); }),
      targetPath_(naming::joinedPath(request.savePath, request.firstPiece)) {
    lengths_.push_back(File::openForReading(request.firstPiece).lengthWhenOpened());
    for (std::int32_t n = 2;; ++n) {
        answering_.nowAndThen();
        const auto found = lookup_.find(n);
        if (!found) break;
        lengths_.push_back(found->length);
    }
}

void JoinRun::run() {
    // What was at the target stays until the joined file is complete.
    const std::int64_t joinedLength =
        std::accumulate(lengths_.begin(), lengths_.end(), std::int64_t{0});
    const Destination destination(folderOf(targetPath_));
    const std::string name = naming::fileName(targetPath_);
    destination.requireJoinedFileWithinLimit(name, joinedLength);
    destination.requireFreeSpace(destination.onDisk(joinedLength), name);

    File first = File::openForReading(request_.firstPiece);  // the chosen file itself
    OutputFolder into(targetPath_, answering_);
    const std::unique_ptr<OutputFile> output = into.create(name, first.permissions());
    for (std::int32_t n = 1; n <= pieceCount(); ++n) {
        if (n > 1) yieldBetweenPieces();
        append(n, n == 1 ? std::move(first) : openPiece(lookup_, prefix_, n), into, *output);
        // The joined file is in place and on the medium before the last piece is told of, which
        // reports success and may delete the pieces.
        if (n == pieceCount()) into.placeDurably(*output);
        host_.pieceJoined(n, pieceCount(), *this);
    }
}

void JoinRun::yieldBetweenPieces() {
    host_.yieldBetweenPieces();
    answering_.answered();
    if (host_.stopRequested()) throw RunCancelled();
}

// The piece is closed as soon as it is appended.
void JoinRun::append(std::int32_t n, File piece, OutputFolder& into, OutputFile& output) {
    const std::int64_t length = lengths_[static_cast<std::size_t>(n - 1)];
    requireCountedLength(piece, length);
    into.copy(piece, output, length, [this, n, length](std::int64_t onMedium) {
        host_.progressWithin(n, pieceCount(),
                             static_cast<double>(onMedium) / static_cast<double>(length));
        answering_.now();
    });
}

void JoinRun::deletePieces() {
    PieceLookup lookup(prefix_, [this] { answering_.nowAndThen(); });
    removeFile(request_.firstPiece);
    for (std::int32_t n = 2; n <= pieceCount(); ++n) {
        if (const auto found = lookup.find(n)) removeFile(found->path);
    }
}

}  // namespace quorvel
