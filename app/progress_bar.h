#pragma once

#include <cstdint>

#include "platform/controls.h"

namespace quorvel {

// The progress bar drawn by the shape `sp`. Its full width lives as decimal text in the shape's
// tag, written when the window loads.
class ProgressBar {
public:
    explicit ProgressBar(Control& shape) : shape_(shape) {}

    void reset();
    void hide();
    void fill();
    std::int32_t fullWidth() const;
    // The rule both runs apply after each piece: returns true when this piece completes the run.
    bool advance(std::int32_t piece, std::int32_t pieceCount);
    // Within a piece: from where the pieces before it left the bar toward where this one will, by
    // the share `done` of its bytes, and always short of that width, so that the rule above
    // decides alone what the piece's end does.
    void advanceWithin(std::int32_t piece, std::int32_t pieceCount, double done);

private:
    Control& shape_;
};

}  // namespace quorvel
