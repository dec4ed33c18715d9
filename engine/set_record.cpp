#include "engine/set_record.h"

#include <charconv>

#include "engine/piece_naming.h"

namespace quorvel::record {
namespace {

constexpr std::string_view header = "# quorvel-set 1 length ";
constexpr std::string_view headerCount = " pieces ";

// Backslash, line feed and carriage return in a name, as sha256sum escapes them.
bool needsEscape(std::string_view name) {
    return name.find_first_of("\\\n\r") != name.npos;
}

std::string escaped(std::string_view name) {
    std::string out;
    for (const char c : name) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescaped(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            out += name[i];
            continue;
        }
        if (++i == name.size()) throw Unreadable("a name ends in a lone backslash");
        switch (name[i]) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                throw Unreadable("a name holds an unknown escape");
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

template <typename Number>
Number number(std::string_view digits, const char* what) {
    Number value{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size() || digits.empty() ||
        (digits.size() > 1 && digits.front() == '0')) {
        throw Unreadable(std::string("its ") + what + " is no number");
    }
    return value;
}

// "# quorvel-set 1 length <L> pieces <N>"
void readHeader(std::string_view line, SetRecord& record, std::int32_t& count) {
    line.remove_prefix(header.size());
    const auto between = line.find(headerCount);
    if (between == line.npos) throw Unreadable("it gives no count of pieces");
    record.sourceLength = number<std::int64_t>(line.substr(0, between), "length");
    count = number<std::int32_t>(line.substr(between + headerCount.size()), "count of pieces");
    if (count < 1 || count > naming::maxPieces) {
        throw Unreadable("it counts " + std::to_string(count) + " pieces, and a set has 1 to " +
                         std::to_string(naming::maxPieces));
    }
    if (record.sourceLength < count) {
        throw Unreadable("its pieces would be empty: " + std::to_string(record.sourceLength) +
                         " bytes in " + std::to_string(count) + " pieces");
    }
    record.digests.reserve(static_cast<std::size_t>(count));
}

// "<64 hex digits>  <name>", begun with a backslash where the name is escaped; sha256sum's
// binary mode gives " *" in place of the second space.
void readDigestLine(std::string_view line, SetRecord& record,
                    const std::function<void(std::int32_t, std::string_view)>& named) {
    const bool escape = line.starts_with('\\');
    if (escape) line.remove_prefix(1);
    if (line.size() < 67 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*')) {
        throw Unreadable("a line is neither a digest and a name nor a comment");
    }
    Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = hexValue(line[2 * i]), low = hexValue(line[2 * i + 1]);
        if (high < 0 || low < 0) throw Unreadable("a digest is not 64 hexadecimal digits");
        digest[i] = static_cast<unsigned char>(high * 16 + low);
    }
    const std::string_view name = line.substr(66);
    record.digests.push_back(digest);
    named(record.pieceCount(), escape ? unescaped(name) : name);
}

}  // namespace

std::string nameFor(const std::string& sourceName) {
    return sourceName + "_set.sha256";
}

std::int64_t SetRecord::pieceLength(std::int32_t n) const {
    const std::int64_t q = sourceLength / pieceCount(), r = sourceLength % pieceCount();
    return n == 1 ? q + r : q;
}

std::string hexOf(const Digest& digest) {
    constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : digest) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

// A comment holds no line break: the name is given escaped there.
std::string head(const std::string& sourceName, std::int64_t sourceLength, std::int32_t count) {
    return "# A set of pieces made by Quorvel. Check it here with: sha256sum -c " +
           escaped(nameFor(sourceName)) + "\n" + std::string(header) +
           std::to_string(sourceLength) + std::string(headerCount) + std::to_string(count) + "\n";
}

std::string pieceLine(std::string_view pieceName, const Digest& digest) {
    std::string line = needsEscape(pieceName) ? "\\" : "";
    line.append(hexOf(digest)).append("  ").append(escaped(pieceName)).append("\n");
    return line;
}

SetRecord parse(std::string_view text,
                const std::function<void(std::int32_t, std::string_view)>& named) {
    if (text.empty()) throw Unreadable("it is empty");
    if (text.size() > longestText) throw Unreadable("it is far longer than any record");
    SetRecord record;
    std::int32_t count = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == text.npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.starts_with(header)) {
            if (count != 0) throw Unreadable("it counts its pieces twice");
            readHeader(line, record, count);
        } else if (line.starts_with('#')) {
            continue;
        } else if (count == 0) {
            throw Unreadable("it does not begin as a record of Quorvel's does");
        } else if (record.pieceCount() == count) {
            throw Unreadable("it names more than the " + std::to_string(count) +
                             " pieces it counts");
        } else {
            readDigestLine(line, record, named);
        }
    }
    if (count == 0) throw Unreadable("it gives no count of pieces");
    if (record.pieceCount() != count) {
        throw Unreadable("it names " + std::to_string(record.pieceCount()) + " of the " +
                         std::to_string(count) + " pieces it counts");
    }
    return record;
}

}  // namespace quorvel::record
