#include "engine/split_run.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "engine/free_space.h"
#include "engine/messages.h"
#include "engine/piece_naming.h"
#include "engine/set_record.h"
#include "platform/copy/answering.h"
#include "platform/copy/chunk_copy.h"
#include "platform/copy/output_folder.h"
#include "platform/copy/source_digests.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// A source still being written to would give pieces of no version of it; one that shrinks past
// a piece is caught by the copy, and this catches the rest.
void requireUnchanged(const File& source, std::int64_t length) {
    const std::int64_t now = source.length();
    if (now == length) return;
    throw RunError("Cannot split " + source.path() + ": it changed during the split (" +
                   std::to_string(length) + " bytes at the start, " + std::to_string(now) +
                   " now). Split it again once nothing writes to it.");
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

class Split {
  public:
    Split(const SplitRequest& request, RunHost& host)
        : request_(request),
          host_(host),
          answering_(answeringFor(host)),
          firstPiecePath_(naming::piecePath(request.savePath, request.sourcePath, 1)),
          source_(File::openForReading(request.sourcePath)),
          length_(source_.length()),
          q_(length_ / request.partCount),
          r_(length_ % request.partCount),
          permissions_(source_.permissions()),
          pieces_(firstPiecePath_, answering_),
          digests_(source_, pieceLengths()) {}

    void run() {
        requireBytes(1);
        pieces_.removeStaleTemporaries();
        requireRoom();
        removeOldSet();
        try {
            for (std::int32_t n = 1; n <= request_.partCount; ++n) {
                if (n > 1) yieldBetweenPieces(host_, answering_);
                requireBytes(n);
                writePiece(n);
            }
        } catch (const RunError& error) {
            throw RunError(std::string(error.what()) + " " + text::splitIncomplete);
        }
    }

  private:
    std::int64_t lengthOf(std::int32_t n) const { return n == 1 ? q_ + r_ : q_; }
    std::vector<std::int64_t> pieceLengths() const {
        std::vector<std::int64_t> lengths;
        for (std::int32_t n = 1; n <= request_.partCount; ++n) lengths.push_back(lengthOf(n));
        return lengths;
    }
    std::string nameOf(std::int32_t n) const { return naming::pieceName(request_.sourcePath, n); }
    std::string recordName() const {
        return record::nameFor(naming::fileName(request_.sourcePath));
    }

    // A piece of no bytes is never written: a set with an empty piece could not be told apart
    // from a damaged one.
    void requireBytes(std::int32_t n) const {
        if (lengthOf(n) > 0) return;
        if (n == 1) throw RunError("The source file is empty: there is nothing to split.");
        throw RunError("The source file has fewer bytes than the parts asked for: piece " +
                       std::to_string(n) + " would be empty.");
    }

    void requireRoom() {
        const Destination destination(pieces_.folder().path());
        const std::string name = naming::fileName(request_.sourcePath);
        destination.requirePiecesWithinLimit(name, length_, request_.partCount);
        destination.requireFreeSpace(spaceNeeded(destination), "the pieces of " + name);
    }

    // The most the pieces and the record take at one time beyond what is free now. An old first
    // piece and record go before anything is written; every other piece is written whole before
    // the file it replaces goes.
    std::int64_t spaceNeeded(const Destination& destination) {
        const Folder& folder = pieces_.folder();
        std::int64_t written = 0, most = 0;
        std::int64_t freed =
            folder.spaceFreedByReplacing(nameOf(1)) + folder.spaceFreedByReplacing(recordName());
        for (std::int32_t n = 1; n <= request_.partCount; ++n) {
            answering_.nowAndThen();
            written += destination.onDisk(lengthOf(n));
            most = std::max(most, written - freed);
            if (n > 1) freed += folder.spaceFreedByReplacing(nameOf(n));
        }
        return most + destination.onDisk(recordLengthAtMost());
    }

    // Two lines, and a digest line a piece.
    std::int64_t recordLengthAtMost() const {
        const auto longestName = static_cast<std::int64_t>(nameOf(request_.partCount).size());
        return 2 * (128 + static_cast<std::int64_t>(recordName().size())) +
               request_.partCount * (68 + 2 * longestName);
    }

    // Only names spelt exactly as this split's own go: on a file system that tells letter case
    // apart, a set spelt otherwise is another file's.
    void removeExactly(const std::string& name) {
        if (!pieces_.folder().ordinaryFileLength(name)) return;
        refuseTheSourceItself(source_, pieces_.folder(), name);
        removeFile(pieces_.folder().pathOf(name));
    }

    // The first piece and record of an earlier split go before a byte of the new one is written:
    // whatever happens next, no old first piece makes a set of old and new pieces.
    void removeOldSet() {
        removeExactly(nameOf(1));
        removeExactly(recordName());
    }

    // Pieces numbered on past the new set, left by an earlier split into more parts, would be
    // taken into a set by a later join of a set without a record.
    void removeLeftoverPieces() {
        for (std::int32_t n = request_.partCount + 1;; ++n) {
            answering_.nowAndThen();
            if (!pieces_.folder().ordinaryFileLength(nameOf(n))) break;
            removeFile(pieces_.folder().pathOf(nameOf(n)));
        }
    }

    // Each piece is written under a temporary name and put in place once complete: no piece name
    // ever holds partial content, and a link or a file that was there is replaced, never written
    // through. The first waits under its temporary name until the set is whole.
    void writePiece(std::int32_t n) {
        const std::string name = nameOf(n);
        refuseTheSourceItself(source_, pieces_.folder(), name);
        std::unique_ptr<OutputFile> piece = pieces_.create(name, permissions_);
        pieces_.copy(source_, *piece, lengthOf(n), afterStep(n));
        digests_.copied(n - 1, lengthOf(n));
        requireUnchanged(source_, length_);
        if (n == 1) {
            pieces_.end(*piece);
            firstPiece_ = std::move(piece);
        } else {
            pieces_.place(*piece);
        }
        if (n == request_.partCount) completeSet();
        host_.pieceSplit({pieces_.folder().pathOf(name), lengthOf(n)}, lengthOf(n),
                         static_cast<std::int16_t>(n));
    }

    // After each step of piece `n`: how far the copy has read goes to the digests, and what is on
    // the medium to the host.
    std::function<void(std::int64_t)> afterStep(std::int32_t n) {
        auto progress = progressOfPiece(host_, answering_, n, request_.partCount, lengthOf(n));
        return [this, n, progress = std::move(progress)](std::int64_t onMedium) {
            digests_.copied(n - 1, onMedium);
            progress(onMedium);
        };
    }

    // Every piece on the medium, then the record on the medium and in place, then the set made
    // whole by its first piece's name: a set whose first piece is in place always has its record.
    // The pieces go to the medium while the last of their bytes are hashed.
    void completeSet() {
        removeLeftoverPieces();
        std::future<void> hashed = digests_.everyDigest();
        pieces_.awaitEverything();
        answering_.whileAwaiting(hashed);
        const std::unique_ptr<OutputFile> recordFile = pieces_.create(recordName(), permissions_);
        writeRecord(recordFile->file());
        pieces_.placeDurably(*recordFile);
        pieces_.placeLast(*firstPiece_);
    }

    // Written as it is made, a few dozen KiB at a time: a large set's record is several MiB.
    void writeRecord(File& file) {
        constexpr std::size_t written = std::size_t{64} << 10;
        std::string text =
            record::head(naming::fileName(request_.sourcePath), length_, request_.partCount);
        for (std::int32_t n = 1; n <= request_.partCount; ++n) {
            text += record::pieceLine(nameOf(n), *digests_.digestOf(n - 1));
            if (text.size() < written && n < request_.partCount) continue;
            answering_.nowAndThen();
            writeAll(file, text.data(), static_cast<std::int64_t>(text.size()));
            text.clear();
        }
    }

    const SplitRequest& request_;
    RunHost& host_;
    Answering answering_;
    std::string firstPiecePath_;
    File source_;
    std::int64_t length_;
    std::int64_t q_, r_;
    // The source's permission bits, which every piece gets: read once, not once a piece.
    unsigned permissions_;
    OutputFolder pieces_;
    SourceDigests digests_;
    std::unique_ptr<OutputFile> firstPiece_;
};

}  // namespace

void splitFile(const SplitRequest& request, RunHost& host) {
    if (request.partCount > naming::maxPieces) {
        throw RunError("A file can be split into at most " + std::to_string(naming::maxPieces) +
                       " parts.");
    }
    Split(request, host).run();
}

}  // namespace quorvel
