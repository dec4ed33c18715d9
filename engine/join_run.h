#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/piece_lookup.h"
#include "engine/run_host.h"
#include "engine/set_record.h"
#include "platform/copy/answering.h"
#include "platform/copy/output_folder.h"
#include "platform/copy/source_digests.h"

namespace quorvel {

struct JoinRequest {
    std::string firstPiece;  // the set's first piece, "…_1.xst" in any letter case
    std::string savePath;    // the folder the joined file goes into
};

// A join of one set: counted when it is made, joined by run(). Where the first piece's folder
// holds the set's record, the set is what the record says: exactly its pieces, each of its length
// and digest, and a set that lost, damaged or gained a piece is refused, naming it. A set without
// a record is every piece numbered 1, 2, 3 … without a gap.
class JoinRun final : public JoinedSet {
  public:
    JoinRun(const JoinRequest& request, RunHost& host);
    JoinRun(const JoinRun&) = delete;
    JoinRun& operator=(const JoinRun&) = delete;
    ~JoinRun();

    std::int32_t pieceCount() const { return static_cast<std::int32_t>(lengths_.size()); }
    const std::vector<std::int64_t>& pieceLengths() const { return lengths_; }
    const std::string& targetPath() const { return targetPath_; }

    // Appends the pieces in order into a file written under a temporary name, which replaces
    // whatever was at the target only once it is whole, checked and on the medium; tells `host`
    // of each piece. Throws RunError with the reason, or RunCancelled.
    void run();
    // Exactly the files the join read go, and the record it checked them against.
    void deletePieces() override;

  private:
    void countByRecord(const FoundFile& recordFile);
    void countByNames();
    void append(std::int32_t n, File piece, OutputFolder& into, OutputFile& output);
    std::function<void(std::int64_t)> afterStep(std::int32_t n, std::int64_t length);
    // Each of the first `count` pieces, and each after them whose digest is known so far, matches
    // the record's.
    void checkDigestsUpTo(std::int32_t count);
    // The name of the file read as piece `n`.
    std::string nameRead(std::int32_t n) const;

    const JoinRequest request_;
    RunHost& host_;
    Answering answering_;
    std::string prefix_;
    PieceLookup lookup_;
    std::string targetPath_;
    // The lengths of the pieces as the count found them, so a piece that changes before its turn
    // is caught.
    std::vector<std::int64_t> lengths_;
    std::optional<record::SetRecord> record_;
    std::string recordPath_;
    // A long piece read holds a handle until its digest is known; a piece is read only once few
    // are held.
    static constexpr std::int32_t mostHandlesHeld = 32;
    std::unique_ptr<SourceDigests> digests_;
    std::int32_t checked_ = 0;  // pieces whose digests matched
    // The pieces read so far, and the names of those not spelt as the set spells them.
    std::int32_t read_ = 0;
    std::unordered_map<std::int32_t, std::string> readOtherwise_;
};

}  // namespace quorvel
