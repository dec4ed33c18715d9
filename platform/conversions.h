#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

// True when the text reads as a number: blanks around, an optional sign, digits with the user's
// decimal separator (or "."), an optional exponent. The empty text is not a number.
bool isNumeric(std::string_view text);

// The nearest 32-bit integer, exact halves to the even neighbour; throws RunError for a text
// that is not a number or a value outside the signed 32-bit range.
std::int32_t toInt32(std::string_view text);

// The shortest decimal text that reads back as the same single-precision value (5175 for 5175).
std::string singleToText(float value);

}  // namespace quorvel
