#include <string>

#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/piece_lookup.h"
#include "engine/piece_naming.h"
#include "platform/conversions.h"
#include "platform/file.h"
#include "platform/file_system.h"
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

// The piece is created or replaced; a piece whose write fails is removed, so no piece name ever
// holds partial content.
void writePiece(PieceData& data, const std::string& path, const std::function<void()>& repaint) {
    File piece = File::openForWriting(path, data.source.permissions());
    if (piece.identity() == data.source.identity()) {
        throw RunError("Cannot write the piece " + path + ": it is the source file itself.");
    }
    try {
        copyBytes(data.source, piece, data.length, repaint);
        // What an older, longer file of this name held past the piece goes. Cut after the copy,
        // never to zero before it: ext4 writes out a file emptied by truncation as it is closed,
        // which would hold the run up for as long as the disk takes.
        if (piece.length() > data.length) piece.truncate(data.length);
        piece.close();
    } catch (...) {
        { File closing = std::move(piece); }
        discardFile(path);
        throw;
    }
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

        PieceData data{source, q + r};
        requireBytes(data, 1);
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
        removeFile(*leftover);
    }
}

}  // namespace quorvel
