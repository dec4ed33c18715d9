#include "app/progress_bar.h"

#include <algorithm>
#include <cmath>

#include "platform/conversions.h"

namespace quorvel {
namespace {

float widthAt(double pieces, std::int32_t pieceCount, std::int32_t full) {
    return static_cast<float>(pieces / static_cast<double>(pieceCount) * full);
}

}  // namespace

void ProgressBar::reset() {
    shape_.setWidth(1.0f);
    shape_.setVisible(true);
}

void ProgressBar::hide() {
    shape_.setVisible(false);
}

void ProgressBar::fill() {
    shape_.setWidth(static_cast<float>(fullWidth()));
}

std::int32_t ProgressBar::fullWidth() const {
    return toInt32(shape_.tag);
}

bool ProgressBar::advance(std::int32_t piece, std::int32_t pieceCount) {
    const std::int32_t full = fullWidth();
    if (shape_.width() >= static_cast<float>(full)) {
        fill();
        return false;
    }
    shape_.setWidth(widthAt(piece, pieceCount, full));
    return piece >= pieceCount;
}

void ProgressBar::advanceWithin(std::int32_t piece, std::int32_t pieceCount, double done) {
    const std::int32_t full = fullWidth();
    const float pieceEnd = widthAt(piece, pieceCount, full);
    const float width = std::min(widthAt(piece - 1 + std::clamp(done, 0.0, 1.0), pieceCount, full),
                                 std::nextafter(pieceEnd, 0.0f));
    if (width > shape_.width()) shape_.setWidth(width);
}

}  // namespace quorvel
