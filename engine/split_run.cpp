#include <algorithm>
#include <string>

#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/free_space.h"
#include "engine/piece_lookup.h"
#include "engine/piece_naming.h"
#include "platform/conversions.h"
#include "platform/copy.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/folder.h"
#include "platform/replacing_file.h"
#include "platform/run_error.h"
#include "platform/wait.h"

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

// The most the pieces take at one time beyond what is free now. An old first piece goes before
// anything is written; every other piece is written whole before the file it replaces goes.
std::int64_t spaceForPieces(const Destination& destination, const Folder& pieces,
                            const std::string& sourcePath, std::int32_t partCount, std::int64_t q,
                            std::int64_t r, const std::function<void()>& answering) {
    std::int64_t written = 0, most = 0;
    std::int64_t freed = pieces.spaceFreedByReplacing(naming::pieceName(sourcePath, 1));
    for (std::int32_t n = 1; n <= partCount; ++n) {
        answering();
        written += destination.onDisk(n == 1 ? q + r : q);
        most = std::max(most, written - freed);
        if (n > 1) freed += pieces.spaceFreedByReplacing(naming::pieceName(sourcePath, n));
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
void refuseTheSourceItself(const File& source, const Folder& folder, const std::string& name) {
    if (folder.ordinaryFileLength(name) &&
        folder.openForReading(name).identity() == source.identity()) {
        throw RunError("Cannot write the piece " + folder.pathOf(name) +
                       ": it is the source file itself.");
    }
}

std::string setPrefixOf(const std::string& savePath, const std::string& sourcePath) {
    return naming::setPrefix(naming::piecePath(savePath, sourcePath, 1));
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

        const std::string folder = folderOf(naming::piecePath(savePath, sourcePath, 1));
        const Folder pieces = Folder::containing(naming::piecePath(savePath, sourcePath, 1));
        WriteOutPacer pacer(folder, answeringNowAndThen());
        PieceData data{source, q + r, length, source.permissions(), pieces, pacer};
        requireBytes(data, 1);
        const Destination destination(folder);
        destination.requirePiecesWithinLimit(naming::fileName(sourcePath), length, partCount);
        destination.requireFreeSpace(
            spaceForPieces(destination, pieces, sourcePath, partCount, q, r, answeringNowAndThen()),
            "the pieces of " + naming::fileName(sourcePath));
        removeOldFirstPiece(source);
        try {
            PutData(data, data.length, 1);
            for (std::int32_t i = 2; i <= partCount; ++i) {
                yieldBetweenPieces();
                data.length = q;
                requireBytes(data, i);
                PutData(data, q, static_cast<std::int16_t>(i));
            }
        } catch (const RunError& error) {
            throw RunError(std::string(error.what()) + " " + text::splitIncomplete);
        }
    });
}

void frmMain::PutData(PieceData& data, std::int64_t /*l*/, std::int16_t num) {
    const std::string name = naming::pieceName(sourcePath, num);
    refuseTheSourceItself(data.source, data.folder, name);
    if (num == 1) {
        writePiece(data, data.firstPiece.emplace(data.folder, name, data.permissions), num);
    } else {
        ReplacingFile piece(data.folder, name, data.permissions);
        writePiece(data, piece, num);
        piece.commit(Durability::cached);
    }
    if (bar().advance(num, partCount)) {
        completeSplit(data);
        report(text::splitDone);
        Frame1->setEnabled(true);
    }
}

// The piece is written under a temporary name and put in place once complete: no piece name
// ever holds partial content, and a link or a file that was there is replaced, never written
// through.
void frmMain::writePiece(PieceData& data, ReplacingFile& piece, std::int16_t num) {
    copyBytes(data.source, piece.file(), data.length, data.pacer,
              showProgressWithin(num, partCount, data.length));
    requireUnchangedSource(data);
    data.pacer.fileEnded(piece.file());
}

// Every piece on the medium, the first included, then the set made whole by the first's name.
void frmMain::completeSplit(PieceData& data) {
    data.pacer.awaitEndedFiles();
    removeLeftoverPieces();
    if (data.firstPiece) {
        waitWhileAnswering([&data] { data.firstPiece->commit(Durability::entryOnDisk); },
                           answeringNowAndThen());
    }
}

// The first piece of an earlier split goes before a byte of the new one is written: whatever
// happens next, no old first piece makes a set of old and new pieces.
void frmMain::removeOldFirstPiece(const File& source) {
    PieceLookup lookup(setPrefixOf(savePath, sourcePath), answeringNowAndThen());
    const auto old = lookup.find(1);
    if (!old) return;
    refuseTheSourceItself(source, lookup.folder(), old->name);
    removeFile(old->path);
}

// Pieces numbered on past the new set, left by an earlier split into more parts, would be taken
// into the set by a later join.
void frmMain::removeLeftoverPieces() {
    PieceLookup lookup(setPrefixOf(savePath, sourcePath), answeringNowAndThen());
    for (std::int32_t n = partCount + 1;; ++n) {
        const auto leftover = lookup.find(n);
        if (!leftover) break;
        removeFile(leftover->path);
    }
}

}  // namespace quorvel
