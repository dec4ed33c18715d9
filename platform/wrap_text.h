#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quorvel {

// How wide a piece of UTF-8 text is drawn, in whatever unit the caller measures.
using TextWidth = std::function<int(std::string_view)>;

// `text` with line breaks where its lines would be wider than `maxWidth`: at spaces where it can,
// and inside a word too wide for a line of its own (after its last "\" or "/" that fits, else at
// the last character that fits). Nothing is lost: a break at a space takes the space's place,
// every other break is added.
// Message boxes keep their text within this share of the screen's width, as Windows' own do.
inline constexpr double messageShareOfScreen = 5.0 / 8.0;

std::string wrapToWidth(std::string_view text, int maxWidth, const TextWidth& widthOf);

}  // namespace quorvel
