#include "platform/wrap_text.h"

namespace quorvel {
namespace {

bool startsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

// The length of the longest start of `word` that fits, at least one whole character, and ending
// after a path separator where one lies within it.
std::size_t fittingStart(std::string_view word, int maxWidth, const TextWidth& widthOf) {
    std::size_t fits = 0;
    for (std::size_t end = 1; end <= word.size(); ++end) {
        if (end < word.size() && !startsCharacter(word[end])) continue;
        if (fits > 0 && widthOf(word.substr(0, end)) > maxWidth) break;
        fits = end;
    }
    const std::size_t separator = word.substr(0, fits).find_last_of("\\/");
    return separator != std::string_view::npos && separator + 1 < fits ? separator + 1 : fits;
}

void wrapLine(std::string_view line, int maxWidth, const TextWidth& widthOf, std::string& out) {
    std::string current;
    bool first = true;
    while (true) {
        const std::size_t space = line.find(' ');
        std::string_view word = line.substr(0, space);
        const std::string joined = first ? std::string(word) : current + ' ' + std::string(word);
        // A word too wide for any line starts where the line stands and is cut where it is full.
        if (first || widthOf(joined) <= maxWidth || widthOf(word) > maxWidth) {
            current = joined;
        } else {
            out += current + '\n';
            current = word;
        }
        first = false;
        while (widthOf(current) > maxWidth) {
            const std::size_t cut = fittingStart(current, maxWidth, widthOf);
            if (cut == current.size()) break;  // one character, wider than a line
            out += current.substr(0, cut) + '\n';
            current.erase(0, cut);
        }
        if (space == std::string_view::npos) break;
        line.remove_prefix(space + 1);
    }
    out += current;
}

}  // namespace

std::string wrapToWidth(std::string_view text, int maxWidth, const TextWidth& widthOf) {
    std::string out;
    while (true) {
        const std::size_t end = text.find('\n');
        wrapLine(text.substr(0, end), maxWidth, widthOf, out);
        if (end == std::string_view::npos) return out;
        out += '\n';
        text.remove_prefix(end + 1);
    }
}

}  // namespace quorvel
