#include <algorithm>
#include <string>

#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/free_space.h"
#include "engine/piece_lookup.h"
#include "engine/piece_naming.h"
#include "platform/conversions.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/replacing_file.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// A piece of no bytes is never written: a set with an empty piece could not be told apart from a
// damaged one.
void requireBytes(const PieceData& data, std::int32_t piece) {
    if (data.length > 0) return;
    if (piece == 1) throw RunError("The source file is empty: there is nothing to split.");
    throw RunError("The source file has fewer bytes than the parts asked for: piece " +
                   std::to_string(piece) + " would be empty.");
}

// The most the pieces take at one time beyond what is free now: each piece is written whole
// before the file it replaces goes.
std::int64_t spaceForPieces(const Destination& destination, const std::string& savePath,
                            const std::string& sourcePath, std::int32_t partCount, std::int64_t q,
                            std::int64_t r) {
    std::int64_t written = 0, freed = 0, most = 0;
    for (std::int32_t n = 1; n <= partCount; ++n) {
        written += destination.onDisk(n == 1 ? q + r : q);
        most = std::max(most, written - freed);
        freed += spaceFreedByReplacing(naming::piecePath(savePath, sourcePath, n));
    }
    return most;
}

// A source still being written to would give pieces of no version of it; one that shrinks past
// a piece is caught by the copy, and this catches the rest.
void requireUnchangedSource(const PieceData& data) {
    const std::int64_t now = data.source.length();
    if (now == data.sourceLength) return;
    throw RunError("Cannot split " + data.source.path() + ": it changed during the split (" +
                   std::to_string(data.sourceLength) + " bytes at the start, " +
                   std::to_string(now) + " now). Split it again once nothing writes to it.");
}

// A piece name that already leads to the source, through a link, is refused rather than
// replaced: the user may not mean what it would do.
void refuseTheSourceItself(const File& source, const std::string& path) {
    if (isOrdinaryFile(path) && File::openForReading(path).identity() == source.identity()) {
        throw RunError("Cannot write the piece " + path + ": it is the source file itself.");
    }
}

// The piece is written under a temporary name and put in place once complete: no piece name
// ever holds partial content, and a link or a file that was there is replaced, never written
// through. No sync: nothing is deleted on the strength of a piece.
void writePiece(PieceData& data, const std::string& path, const std::function<void()>& repaint) {
    refuseTheSourceItself(data.source, path);
    ReplacingFile piece(path, data.source.permissions());
    copyBytes(data.source, piece.file(), data.length, repaint);
    requireUnchangedSource(data);
    piece.commit(Durability::cached);
}

}  // namespace

void frmMain::SplitFile() {
    runWithInputsDisabled([this] {
        if (Text1->text().empty() || !isOrdinaryFile(Text1->text())) {
            report(text::noSource);
            return;
        }
        if (Text2->text().empty()) {
            report(text::noDestination);
            return;
        }
        partCount = toInt32(Text3->text());
        if (partCount > naming::maxPieces) {
            throw RunError("A file can be split into at most " + std::to_string(naming::maxPieces) +
                           " parts.");
        }
        File source = File::openForReading(sourcePath);
        const std::int64_t length = source.length();
        const std::int64_t q = length / partCount;
        const std::int64_t r = length % partCount;

        PieceData data{source, q + r, length};
        requireBytes(data, 1);
        const Destination destination(folderOf(naming::piecePath(savePath, sourcePath, 1)));
        destination.requirePiecesWithinLimit(naming::fileName(sourcePath), length, partCount);
        destination.requireFreeSpace(
            spaceForPieces(destination, savePath, sourcePath, partCount, q, r),
            "the pieces of " + naming::fileName(sourcePath));
        PutData(data, data.length, 1);
        for (std::int32_t i = 2; i <= partCount; ++i) {
            yieldBetweenPieces();
            data.length = q;
            requireBytes(data, i);
            PutData(data, q, static_cast<std::int16_t>(i));
        }
    });
}

void frmMain::PutData(PieceData& data, std::int64_t /*l*/, std::int16_t num) {
    writePiece(data, naming::piecePath(savePath, sourcePath, num), repaintDuringCopy());
    if (bar().advance(num, partCount)) {
        removeLeftoverPieces();
        report(text::splitDone);
        Frame1->setEnabled(true);
    }
}

// Pieces numbered on past the new set, left by an earlier split into more parts, would be taken
// into the set by a later join.
void frmMain::removeLeftoverPieces() {
    PieceLookup lookup(folderOf(naming::piecePath(savePath, sourcePath, 1)));
    for (std::int32_t n = partCount + 1;; ++n) {
        const auto leftover = lookup.find(naming::piecePath(savePath, sourcePath, n));
        if (!leftover) break;
        removeFile(leftover->path);
    }
}

}  // namespace quorvel
