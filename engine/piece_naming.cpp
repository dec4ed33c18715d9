#include "engine/piece_naming.h"

#include <algorithm>
#include <cctype>

namespace quorvel::naming {
namespace {

constexpr const char* extension = ".xst";
constexpr const char* firstSuffix = "_1.xst";

std::string lastCharacters(const std::string& text, std::size_t count) {
    return text.size() > count ? text.substr(text.size() - count) : text;
}

bool endsWithIgnoringCase(const std::string& text, const std::string& suffix) {
    const std::string tail = lastCharacters(text, suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), suffix.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

// Where the digits before the extension of `path`, a name ending in ".xst", begin.
std::size_t numberStart(const std::string& path) {
    std::size_t start = path.size() - std::char_traits<char>::length(extension);
    while (start > 0 && std::isdigit(static_cast<unsigned char>(path[start - 1]))) --start;
    return start;
}

bool isNetworkPath(const std::string& path, char separator) {
    return path.size() >= 2 && path[0] == separator && path[1] == separator;
}

// Folds from `start` on; what comes before stays as it is.
std::string foldFrom(const std::string& path, std::size_t start, char separator) {
    std::string folded = path.substr(0, start);
    for (std::size_t i = start; i < path.size(); ++i) {
        folded += path[i];
        if (path[i] == separator && i + 1 < path.size() && path[i + 1] == separator) ++i;
    }
    return folded;
}

}  // namespace

std::string fold(const std::string& path, char separator) {
    return foldFrom(path, isNetworkPath(path, separator) ? 2 : 0, separator);
}

std::string inFolder(const std::string& folder, const std::string& name, char separator) {
    return foldFrom(folder + separator + name, isNetworkPath(folder, separator) ? 2 : 0,
                    separator);
}

std::string fileName(const std::string& path, char separator) {
    const auto last = path.rfind(separator);
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string pieceName(const std::string& sourcePath, std::int32_t n, char separator) {
    return fileName(sourcePath, separator) + "_" + std::to_string(n) + extension;
}

std::string piecePath(const std::string& savePath, const std::string& sourcePath, std::int32_t n,
                      char separator) {
    return inFolder(savePath, pieceName(sourcePath, n, separator), separator);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool isPieceFile(const std::string& path) { return endsWithIgnoringCase(path, extension); }

bool isFirstPiece(const std::string& path) { return endsWithIgnoringCase(path, firstSuffix); }

std::string setPrefix(const std::string& firstPiece) {
    return firstPiece.substr(0, firstPiece.size() - (std::char_traits<char>::length(firstSuffix) - 1));
}

std::string pieceOfSet(const std::string& prefix, std::int32_t n) {
    return prefix + std::to_string(n) + extension;
}

std::optional<std::int32_t> pieceNumber(const std::string& path) {
    if (!isPieceFile(path)) return std::nullopt;
    const std::size_t end = path.size() - std::char_traits<char>::length(extension);
    const std::size_t start = numberStart(path);
    if (start == end || start == 0 || path[start - 1] != '_' || path[start] == '0' ||
        end - start > 5) {
        return std::nullopt;
    }
    const int n = std::stoi(path.substr(start, end - start));
    if (n > maxPieces) return std::nullopt;
    return n;
}

std::string prefixOfPiece(const std::string& path) {
    return pieceNumber(path) ? path.substr(0, numberStart(path)) : std::string();
}

std::string joinedName(const std::string& firstPiece, char separator) {
    const std::string name = fileName(firstPiece, separator);
    return name.substr(0, name.size() - std::char_traits<char>::length(firstSuffix));
}

std::string joinedPath(const std::string& savePath, const std::string& firstPiece,
                       char separator) {
    return inFolder(savePath, joinedName(firstPiece, separator), separator);
}

}  // namespace quorvel::naming
