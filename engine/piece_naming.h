#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

// How a piece set is named: `<source name>_<n>.xst` in one folder, n counted from 1. The
// separator is a parameter so the Windows rules can be checked on any system.
namespace quorvel::naming {

inline constexpr std::int32_t maxPieces = 32767;

// Every doubled separator folded to one, left to right; the leading pair of a network path stays.
std::string fold(const std::string& path, char separator = nativeSeparator);

// `folder`, a separator and `name`, folded; a root folder stays a root, a network folder keeps
// its leading pair.
std::string inFolder(const std::string& folder, const std::string& name,
                     char separator = nativeSeparator);

// The text after the last separator, or the whole text.
std::string fileName(const std::string& path, char separator = nativeSeparator);

// The name of piece `n` of `sourcePath`.
std::string pieceName(const std::string& sourcePath, std::int32_t n,
                      char separator = nativeSeparator);

// The path of piece `n` of `sourcePath` written into the folder `savePath`.
std::string piecePath(const std::string& savePath, const std::string& sourcePath, std::int32_t n,
                      char separator = nativeSeparator);

// True when the two texts are the same, letter case aside.
bool sameIgnoringCase(std::string_view a, std::string_view b);

// True when the path ends in ".xst", letter case aside: a piece is never cut again.
bool isPieceFile(const std::string& path);

// True when the path ends in "_1.xst", letter case aside.
bool isFirstPiece(const std::string& path);

// The first piece's path up to and including its last "_".
std::string setPrefix(const std::string& firstPiece);

// The path of piece `n` beside the first piece.
std::string pieceOfSet(const std::string& prefix, std::int32_t n);

// The number of the piece at `path`, named "<prefix><n>.xst" with n from 1 to 32,767 written
// without a leading zero, letter case aside; nothing for any other name.
std::optional<std::int32_t> pieceNumber(const std::string& path);
// The path up to and including the "_" before the number of the piece at `path`; empty for a
// path that pieceNumber() takes for no piece.
std::string prefixOfPiece(const std::string& path);

// The name of the file the set was cut from: the first piece's name without "_1.xst".
std::string joinedName(const std::string& firstPiece, char separator = nativeSeparator);

// Where the joined file goes in the folder `savePath`.
std::string joinedPath(const std::string& savePath, const std::string& firstPiece,
                       char separator = nativeSeparator);

}  // namespace quorvel::naming
