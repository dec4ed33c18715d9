#include "platform/conversions.h"

#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <optional>

#include "platform/run_error.h"

namespace quorvel {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

char userDecimalSeparator() {
    const char* point = std::localeconv()->decimal_point;
    return point && point[0] ? point[0] : '.';
}

// Reads blanks, sign, digits with the user's decimal separator, exponent, blanks; nothing else.
std::optional<double> readNumber(std::string_view text) {
    const char separator = userDecimalSeparator();
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i])) ++i;
    };
    const auto readDigits = [&](std::string& into) {
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i])) into += text[i++];
        return i > start;
    };
    std::string number;  // rebuilt in the notation from_chars reads
    skipBlanks();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool digits = readDigits(number);
    if (i < text.size() && text[i] == separator) {
        ++i;
        number += '.';
        digits = readDigits(number) || digits;
    }
    if (!digits) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        number += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
        if (!readDigits(number)) return std::nullopt;
    }
    skipBlanks();
    if (i != text.size()) return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small to hold is as good as zero; too large, as good as infinite.
        value = number.find("e-") != std::string::npos ? 0.0
                                                       : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace

bool isNumeric(std::string_view text) { return readNumber(text).has_value(); }

std::int32_t toInt32(std::string_view text) {
    const std::optional<double> value = readNumber(text);
    if (!value) throw RunError("\"" + std::string(text) + "\" is not a number.");
    const double rounded = std::nearbyint(*value);  // halves go to the even neighbour
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        throw RunError("The number " + std::string(text) + " is too large.");
    }
    return static_cast<std::int32_t>(rounded);
}

std::string singleToText(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace quorvel
