#include "app/progress_bar.h"

#include "platform/conversions.h"

namespace quorvel {

void ProgressBar::reset() {
    shape_.setWidth(1.0f);
    shape_.setVisible(true);
}

void ProgressBar::hide() { shape_.setVisible(false); }

void ProgressBar::fill() { shape_.setWidth(static_cast<float>(fullWidth())); }

std::int32_t ProgressBar::fullWidth() const { return toInt32(shape_.tag); }

bool ProgressBar::advance(std::int32_t piece, std::int32_t pieceCount) {
    const std::int32_t full = fullWidth();
    if (shape_.width() >= static_cast<float>(full)) {
        fill();
        return false;
    }
    const double fraction = static_cast<double>(piece) / static_cast<double>(pieceCount);
    shape_.setWidth(static_cast<float>(fraction * full));
    return piece >= pieceCount;
}

}  // namespace quorvel
