#include "engine/run_host.h"

#include "platform/run_error.h"

namespace quorvel {

Answering answeringFor(RunHost& host) {
    return Answering([&host] { host.answer(); }, [&host] { return host.stopRequested(); });
}

void yieldBetweenPieces(RunHost& host, Answering& answering) {
    host.yieldBetweenPieces();
    answering.answered();
    if (host.stopRequested()) throw RunCancelled();
}

std::function<void(std::int64_t)> progressOfPiece(RunHost& host, Answering& answering,
                                                  std::int32_t piece, std::int32_t pieceCount,
                                                  std::int64_t length) {
    return [&host, &answering, piece, pieceCount, length](std::int64_t onMedium) {
        host.progressWithin(piece, pieceCount,
                            static_cast<double>(onMedium) / static_cast<double>(length));
        answering.now();
    };
}

}  // namespace quorvel
