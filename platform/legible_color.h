#pragma once

#include "platform/controls.h"

namespace quorvel {

// How far apart two colours stand for the eye: 1 for equal colours, 21 for black and white.
double contrastRatio(const Color& one, const Color& other);

// The contrast that small text needs to be read comfortably.
inline constexpr double legibleContrast = 4.5;

// `wanted` if it can be read on `face`; otherwise the same hue darkened or lightened, whichever
// changes it less, just enough to be read there.
Color legibleOn(const Color& wanted, const Color& face);

}  // namespace quorvel
