#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/texts.h"
#include "engine/free_space.h"
#include "engine/piece_lookup.h"
#include "engine/piece_naming.h"
#include "platform/copy.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/folder.h"
#include "platform/replacing_file.h"
#include "platform/run_error.h"
#include "platform/wait.h"

namespace quorvel {
namespace {

// The lengths of the pieces numbered 1, 2, 3 ... without a gap, piece 1 being the chosen file.
// Measured now, so that a piece that changes before its turn is caught.
std::vector<std::int64_t> countPieces(PieceLookup& lookup, const std::string& firstPiece,
                                      const std::function<void()>& answering) {
    std::vector<std::int64_t> lengths{File::openForReading(firstPiece).lengthWhenOpened()};
    for (std::int32_t n = 2;; ++n) {
        answering();
        const auto found = lookup.find(n);
        if (!found) return lengths;
        lengths.push_back(found->length);
    }
}

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

void appendPiece(File& piece, std::int64_t counted, File& output, WriteOutPacer& pacer,
                 const std::function<void(std::int64_t)>& afterStep) {
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
    copyBytes(piece, output, length, pacer, afterStep);
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
        PieceLookup lookup(prefix, answeringNowAndThen());
        const std::vector<std::int64_t> lengths =
            countPieces(lookup, sourcePath, answeringNowAndThen());
        partCount = static_cast<std::int32_t>(lengths.size());
        targetPath = naming::joinedPath(savePath, sourcePath);
        // What was at the target stays until the joined file is complete.
        const std::int64_t joinedLength =
            std::accumulate(lengths.begin(), lengths.end(), std::int64_t{0});
        const Destination destination(folderOf(targetPath));
        destination.requireJoinedFileWithinLimit(naming::fileName(targetPath), joinedLength);
        destination.requireFreeSpace(destination.onDisk(joinedLength),
                                     naming::fileName(targetPath));

        std::optional<File> piece = File::openForReading(sourcePath);
        const Folder into = Folder::containing(targetPath);
        ReplacingFile output(into, naming::fileName(targetPath), piece->permissions());
        WriteOutPacer pacer(folderOf(targetPath), answeringNowAndThen());
        // The joined file is in place and on the medium before the last progress call reports
        // success and deletes the pieces.
        const auto append = [&](std::int32_t n) {
            appendPiece(*piece, lengths[n - 1], output.file(), pacer,
                        showProgressWithin(n, partCount, lengths[n - 1]));
            piece.reset();
            if (n == partCount) {
                pacer.fileEnded(output.file());
                waitWhileAnswering([&output] { output.commit(Durability::onDisk); },
                                   answeringNowAndThen());
            }
            UpdateCombineProgress(n, partCount);
        };
        append(1);
        for (std::int32_t n = 2; n <= partCount; ++n) {
            yieldBetweenPieces();
            piece = openPiece(lookup, prefix, n);
            append(n);
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
    PieceLookup lookup(naming::setPrefix(sourcePath), answeringNowAndThen());
    removeFile(sourcePath);
    for (std::int32_t n = 2; n <= pieceCount; ++n) {
        if (const auto piece = lookup.find(n)) removeFile(piece->path);
    }
}

}  // namespace quorvel
