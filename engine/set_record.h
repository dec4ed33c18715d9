#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sha256.h"

// The set's record: one small text file a split writes beside its pieces, so that a join knows
// the whole set: how many pieces, how long each, and the SHA-256 of each. It is in the format
// `sha256sum -c` reads, so the standard tool checks a set in its folder too:
//
//     # A set of pieces made by Quorvel. Check it here with: sha256sum -c a.bin_set.sha256
//     # quorvel-set 1 length 10 pieces 3
//     <64 hex digits>  a.bin_1.xst
//     …
//
// sha256sum skips the lines that begin with "#"; a name with a backslash or a line break in it is
// escaped, its line begun with a backslash, as sha256sum writes it.
namespace quorvel::record {

// "<source name>_set.sha256": beside the pieces, and taken with them by "<name>_*".
std::string nameFor(const std::string& sourceName);

struct SetRecord {
    std::int64_t sourceLength = 0;
    std::vector<Digest> digests;  // piece 1's first

    std::int32_t pieceCount() const { return static_cast<std::int32_t>(digests.size()); }
    // The length of piece `n`, from 1, as a split cuts the source: the remainder in piece 1.
    std::int64_t pieceLength(std::int32_t n) const;
};

// The text of a record of the `count` pieces of `sourceName`, `sourceLength` bytes in all: its
// head, then a line for each piece in turn, so a large set's record is written as it is made.
std::string head(const std::string& sourceName, std::int64_t sourceLength, std::int32_t count);
std::string pieceLine(std::string_view pieceName, const Digest& digest);

// Why a text is no record a join can trust.
class Unreadable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Records are at most this long: 32,767 pieces with names of 255 bytes fit several times over.
inline constexpr std::size_t longestText = std::size_t{16} << 20;

// The record in `text`; throws Unreadable for anything that is not a whole, sensible record.
// `named` is given each piece's number (from 1) and the name its line gives, as it is read, and
// throws Unreadable for a name that is not that piece's. Allocates no more than the text's own
// size calls for.
SetRecord parse(std::string_view text,
                const std::function<void(std::int32_t n, std::string_view name)>& named);

// "5d41…": lower-case hexadecimal, as sha256sum writes it.
std::string hexOf(const Digest& digest);

}  // namespace quorvel::record
