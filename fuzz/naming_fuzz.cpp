// The piece naming takes folder and file names from the pickers; both separator styles are tried.
// Input: a byte choosing the separator, two bytes for the piece number, then a folder and a
// source path divided by a NUL byte.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/piece_naming.h"

namespace {

namespace naming = quorvel::naming;

void require(bool holds) {
    if (!holds) std::abort();
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The lengths of the runs of separators in `text`, and the text without them.
struct Runs {
    std::string others;
    std::string lengths;  // one character per run, its length
};

Runs runsOf(const std::string& text, char separator) {
    Runs runs;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != separator) {
            runs.others += text[i++];
            continue;
        }
        std::size_t length = 0;
        while (i < text.size() && text[i] == separator) ++i, ++length;
        runs.lengths += static_cast<char>(std::min<std::size_t>(length, 255));
    }
    return runs;
}

// The fold keeps a network path's leading pair and, past it, makes each run of k separators
// one of (k + 1) / 2: a pair becomes one, so a path with no longer runs keeps no pair at all.
void checkFold(const std::string& path, char separator) {
    const std::string folded = naming::fold(path, separator);
    const std::string pair(2, separator);
    const std::size_t start = path.compare(0, 2, pair) == 0 ? 2 : 0;
    require(folded.compare(0, start, path, 0, start) == 0);
    const Runs before = runsOf(path.substr(start), separator);
    const Runs after = runsOf(folded.substr(start), separator);
    require(after.others == before.others);
    require(after.lengths.size() == before.lengths.size());
    bool longRuns = false;
    for (std::size_t i = 0; i < before.lengths.size(); ++i) {
        const int k = static_cast<unsigned char>(before.lengths[i]);
        if (k < 255) require(static_cast<unsigned char>(after.lengths[i]) == (k + 1) / 2);
        longRuns = longRuns || k > 2;
    }
    if (!longRuns) require(folded.find(pair, start) == std::string::npos);
}

// Whatever the user picked as a first piece: the set and the joined name come back from it.
void checkFirstPiece(const std::string& path, const std::string& folder, char separator) {
    if (!naming::isFirstPiece(path)) return;
    require(equalIgnoringCase(naming::joinedName(path, separator) + "_1.xst",
                              naming::fileName(path, separator)));
    require(equalIgnoringCase(naming::pieceOfSet(naming::setPrefix(path), 1), path));
    checkFold(naming::joinedPath(folder, path, separator), separator);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const char separator = data[0] & 1 ? '\\' : '/';
    const std::int32_t n = 1 + (data[1] | data[2] << 8) % naming::maxPieces;
    const std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    const std::size_t cut = rest.find('\0');
    const std::string folder = rest.substr(0, cut);
    const std::string source = cut == std::string::npos ? std::string() : rest.substr(cut + 1);

    checkFold(folder, separator);
    checkFold(source, separator);
    checkFold(naming::inFolder(folder, source, separator), separator);

    // A split's piece paths, and the set a join finds from its first piece.
    const std::string piece = naming::piecePath(folder, source, n, separator);
    require(endsWith(piece, "_" + std::to_string(n) + ".xst"));
    const std::string first = naming::piecePath(folder, source, 1, separator);
    require(naming::isFirstPiece(first));
    require(naming::pieceOfSet(naming::setPrefix(first), n) == piece);
    require(naming::joinedName(first, separator) == naming::fileName(source, separator));
    checkFirstPiece(first, folder, separator);
    checkFirstPiece(source, folder, separator);
    checkFirstPiece(folder, source, separator);
    return 0;
}
