#pragma once

#include <span>

#include "platform/controls.h"

namespace quorvel {

// The main window as designed: its frame and size, and every control with its place and look.
// Each toolkit builds the real window from these tables alone.
const WindowDesign& mainWindowDesign();
// The controls in tab order; the frame comes before the controls placed in it.
std::span<const ControlDesign> mainWindowControls();

inline constexpr Color barFillColor{0, 128, 0};
inline constexpr Color barBorderColor{255, 255, 0};

}  // namespace quorvel
