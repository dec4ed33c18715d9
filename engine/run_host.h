#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/copy/answering.h"

namespace quorvel {

// A piece as the split wrote it.
struct SplitPiece {
    const std::string& path;
    std::int64_t length;
};

// The pieces a join took in, which it can delete once the joined file is safe.
class JoinedSet {
  public:
    virtual void deletePieces() = 0;

  protected:
    ~JoinedSet() = default;
};

// What a split or join asks of whoever runs it: the window, the terminal, the benchmark, a test.
class RunHost {
  public:
    virtual ~RunHost() = default;

    // The yield between two pieces: whatever the caller has waiting, it handles now.
    virtual void yieldBetweenPieces() = 0;
    // A chance to answer within a piece or while the run waits for the medium: a window repaints
    // and takes a close, and nothing more.
    virtual void answer() = 0;
    // True once the run is to stop (the window was closed, a signal came): it ends at its next
    // chance, leaving nothing partial and saying nothing.
    virtual bool stopRequested() const = 0;
    // The share `done` of the bytes of piece `piece` of `pieceCount` is on the medium.
    virtual void progressWithin(std::int32_t piece, std::int32_t pieceCount, double done) = 0;
    // A refusal of the run's input, before anything is written.
    virtual void report(const std::string& message) = 0;

    // Piece `num` of a split is written (`l` is its length). After the last one the set is whole
    // and on the medium.
    virtual void pieceSplit(const SplitPiece& data, std::int64_t l, std::int16_t num) = 0;
    // Piece `curNum` of the `totalNum` of a join is appended. After the last one the joined file
    // is whole, in place and on the medium, and `set` may go.
    virtual void pieceJoined(const std::int32_t& curNum, const std::int32_t& totalNum,
                             JoinedSet& set) = 0;
};

// A run's chances to answer, given to `host`, which also says when the run is to stop.
Answering answeringFor(RunHost& host);
// The yield between two pieces, which counts as an answer; throws RunCancelled once the run is to
// stop.
void yieldBetweenPieces(RunHost& host, Answering& answering);
// For after each step of the copy of piece `piece` of `pieceCount`, `length` bytes long: the host
// shows the share of it on the medium, and the run answers.
std::function<void(std::int64_t onMedium)> progressOfPiece(RunHost& host, Answering& answering,
                                                           std::int32_t piece,
                                                           std::int32_t pieceCount,
                                                           std::int64_t length);

}  // namespace quorvel
