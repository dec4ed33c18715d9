#include <gtest/gtest.h>

#include "engine/free_space.h"

namespace quorvel {
namespace {

// A size shown as needed is rounded up and one shown as free down, so "needed" never reads as
// equal to or less than "free" when it is more.
TEST(SizeText, RoundsNeededUpAndFreeDown) {
    struct Case {
        std::int64_t bytes;
        const char* up;
        const char* down;
    };
    for (const Case& c : {Case{0, "0 bytes", "0 bytes"}, Case{1023, "1023 bytes", "1023 bytes"},
                          Case{1024, "1.0 KiB", "1.0 KiB"}, Case{1025, "1.1 KiB", "1.0 KiB"},
                          Case{std::int64_t{3} << 29, "1.5 GiB", "1.5 GiB"},
                          Case{(std::int64_t{5} << 40) + 1, "5.1 TiB", "5.0 TiB"}}) {
        EXPECT_EQ(sizeText(c.bytes, true), c.up) << c.bytes;
        EXPECT_EQ(sizeText(c.bytes, false), c.down) << c.bytes;
    }
}

}  // namespace
}  // namespace quorvel
