#include "platform/legible_color.h"

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

double linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The relative luminance of an sRGB colour.
double luminance(const Color& color) {
    return 0.2126 * linear(color.red) + 0.7152 * linear(color.green) + 0.0722 * linear(color.blue);
}

std::uint8_t mixed(std::uint8_t from, std::uint8_t to, double share) {
    return static_cast<std::uint8_t>(std::lround(from + (to - from) * share));
}

Color towards(const Color& from, std::uint8_t to, double share) {
    return {mixed(from.red, to, share), mixed(from.green, to, share), mixed(from.blue, to, share)};
}

}  // namespace

double contrastRatio(const Color& one, const Color& other) {
    const double a = luminance(one), b = luminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Color legibleOn(const Color& wanted, const Color& face) {
    constexpr int steps = 64;
    for (int step = 0; step < steps; ++step) {
        const double share = static_cast<double>(step) / steps;
        for (const std::uint8_t end : {std::uint8_t{0}, std::uint8_t{255}}) {
            const Color tried = towards(wanted, end, share);
            if (contrastRatio(tried, face) >= legibleContrast) return tried;
        }
    }
    // All the way: black or white, and one of them reaches the contrast on any face.
    constexpr Color black{0, 0, 0}, white{255, 255, 255};
    return contrastRatio(black, face) > contrastRatio(white, face) ? black : white;
}

}  // namespace quorvel
