#include <gtest/gtest.h>

#include <optional>

#include "platform/conversions.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

TEST(Conversions, NumberTestAcceptsWhatAUserTypesAsANumber) {
    for (const char* number : {"2", " 3 ", "\t3", "+4", "-3", "1.5", ".5", "5.", "1e3", "2E+2",
                               "25e-1", "007"}) {
        EXPECT_TRUE(isNumeric(number)) << number;
    }
    for (const char* text : {"", " ", "abc", "3a", "1.2.3", "e3", "1e", "--1", "+", ".", "1 2",
                             "0x10", "1,5"}) {
        EXPECT_FALSE(isNumeric(text)) << '"' << text << '"';
    }
}

TEST(Conversions, ToInt32RoundsHalvesToTheEvenNeighbour) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    for (const Case& c : {Case{"2", 2}, Case{"1.5", 2}, Case{"2.5", 2}, Case{"3.5", 4},
                          Case{"1.4", 1}, Case{"-2.5", -2}, Case{" 3 ", 3}, Case{"1e-400", 0},
                          Case{"2147483647", 2147483647}, Case{"-2147483648", -2147483647 - 1},
                          Case{"2147483647.4", 2147483647}}) {
        EXPECT_EQ(toInt32(c.text), c.expected) << c.text;
    }
    for (const char* outside : {"2147483648", "2147483647.5", "-2147483649", "1e10", "1e400"}) {
        EXPECT_THROW(toInt32(outside), RunError) << outside;
    }
    EXPECT_THROW(toInt32("abc"), RunError);
}

TEST(Conversions, SingleToTextIsTheShortestText) {
    EXPECT_EQ(singleToText(5175.0f), "5175");
    EXPECT_EQ(singleToText(1.0f), "1");
    EXPECT_EQ(singleToText(0.1f), "0.1");
}

}  // namespace
}  // namespace quorvel
