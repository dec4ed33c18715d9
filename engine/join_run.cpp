#include <optional>
#include <string>

#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/piece_lookup.h"
#include "engine/piece_naming.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/replacing_file.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// The pieces numbered 1, 2, 3 ... without a gap.
std::int32_t countPieces(PieceLookup& lookup, const std::string& prefix) {
    std::int32_t n = 1;
    while (lookup.find(naming::pieceOfSet(prefix, n))) ++n;
    return n - 1;
}

// Piece n as the count found it. A piece is nearly always under its own name, so it is opened
// there first and the lookup is only asked again for a piece renamed in letter case.
File openPiece(PieceLookup& lookup, const std::string& expected) {
    try {
        return File::openForReading(expected);
    } catch (const RunError&) {
        const auto found = lookup.find(expected);
        if (!found) {
            throw RunError("The piece " + expected +
                           " has gone missing since the set was counted; nothing was joined.");
        }
        return File::openForReading(*found);
    }
}

void appendPiece(File& piece, File& output, const std::function<void()>& repaint) {
    const std::int64_t length = piece.length();
    if (length == 0) {
        throw RunError("The piece " + piece.path() +
                       " is empty: the set is damaged, nothing was joined.");
    }
    copyBytes(piece, output, length, repaint);
}

}  // namespace

void frmMain::CombineFiles() {
    runWithInputsDisabled([this] {
        if (!naming::isFirstPiece(sourcePath)) {
            report(text::notFirstPiece);
            return;
        }
        if (!isOrdinaryFile(sourcePath)) {
            report(text::firstPieceMissing);
            return;
        }
        const std::string prefix = naming::setPrefix(sourcePath);
        PieceLookup lookup(folderOf(sourcePath));
        partCount = countPieces(lookup, prefix);
        targetPath = naming::joinedPath(savePath, sourcePath);

        std::optional<File> piece = File::openForReading(sourcePath);
        ReplacingFile output(targetPath, piece->permissions());
        // The joined file is in place before the last progress call reports success, and on the
        // disk before that call deletes the pieces.
        const auto appended = [&](std::int32_t n) {
            piece.reset();
            if (n == partCount) {
                output.commit(Check1->value() == 1 ? ReplacingFile::Durability::onDisk
                                                   : ReplacingFile::Durability::cached);
            }
            UpdateCombineProgress(n, partCount);
        };
        appendPiece(*piece, output.file(), repaintDuringCopy());
        appended(1);
        for (std::int32_t n = 2; n <= partCount; ++n) {
            yieldBetweenPieces();
            piece = openPiece(lookup, naming::pieceOfSet(prefix, n));
            appendPiece(*piece, output.file(), repaintDuringCopy());
            appended(n);
        }
    });
}

void frmMain::UpdateCombineProgress(const std::int32_t& curNum, const std::int32_t& totalNum) {
    if (totalNum == 0) throw RunError("No piece of the set was found.");
    if (!bar().advance(curNum, totalNum)) return;
    report(text::jointDone);
    Frame1->setEnabled(true);
    if (Check1->value() == 1) deleteJoinedPieces(totalNum);
}

// Only the joined set's own pieces go, never the folder's other piece files.
void frmMain::deleteJoinedPieces(std::int32_t pieceCount) {
    const std::string prefix = naming::setPrefix(sourcePath);
    PieceLookup lookup(folderOf(sourcePath));
    removeFile(sourcePath);
    for (std::int32_t n = 2; n <= pieceCount; ++n) {
        if (const auto piece = lookup.find(naming::pieceOfSet(prefix, n))) removeFile(*piece);
    }
}

}  // namespace quorvel
