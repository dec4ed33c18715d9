#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/piece_lookup.h"
#include "engine/run_host.h"
#include "platform/copy/answering.h"
#include "platform/copy/output_folder.h"

namespace quorvel {

struct JoinRequest {
    std::string firstPiece;  // the set's first piece, "…_1.xst" in any letter case
    std::string savePath;    // the folder the joined file goes into
};

// A join of one set: counted when it is made, joined by run().
class JoinRun final : public JoinedSet {
  public:
    // Counts the pieces numbered 1, 2, 3 … without a gap beside the first piece.
    JoinRun(const JoinRequest& request, RunHost& host);
    JoinRun(const JoinRun&) = delete;
    JoinRun& operator=(const JoinRun&) = delete;

    std::int32_t pieceCount() const { return static_cast<std::int32_t>(lengths_.size()); }
    const std::string& targetPath() const { return targetPath_; }

    // Appends the pieces in order into a file written under a temporary name, which replaces
    // whatever was at the target only once it is whole and on the medium; tells `host` of each
    // piece. Throws RunError with the reason, or RunCancelled.
    void run();
    // Only the joined set's own pieces go, never the folder's other piece files.
    void deletePieces() override;

  private:
    void yieldBetweenPieces();
    void append(std::int32_t n, File piece, OutputFolder& into, OutputFile& output);

    const JoinRequest request_;
    RunHost& host_;
    Answering answering_;
    std::string prefix_;
    PieceLookup lookup_;
    std::string targetPath_;
    // The lengths of the pieces as the count found them, so a piece that changes before its turn
    // is caught.
    std::vector<std::int64_t> lengths_;
};

}  // namespace quorvel
