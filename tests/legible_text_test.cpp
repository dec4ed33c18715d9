#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/legible_color.h"
#include "platform/wrap_text.h"

namespace quorvel::testing {
namespace {

// Every character one unit wide, as a fixed-pitch font draws them.
int characters(std::string_view text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string withoutBreaks(std::string text) {
    std::erase(text, '\n');
    std::erase(text, ' ');
    return text;
}

TEST(WrapToWidth, ShortTextsAndTheirOwnLineBreaksStayAsTheyAre) {
    EXPECT_EQ(wrapToWidth("File split successfully completed.", 40, characters),
              "File split successfully completed.");
    EXPECT_EQ(wrapToWidth("one\ntwo", 40, characters), "one\ntwo");
    EXPECT_EQ(wrapToWidth("", 40, characters), "");
}

TEST(WrapToWidth, BreaksAtSpacesFirst) {
    EXPECT_EQ(wrapToWidth("Cannot split again for a splitted file.", 16, characters),
              "Cannot split\nagain for a\nsplitted file.");
}

TEST(WrapToWidth, ALongPathIsCutAfterASeparatorAndKeptWhole) {
    const std::string name(254, 'n');
    const std::string message = "Path not found: /home/ana/out/" + name + "_1.xst";
    const std::string wrapped = wrapToWidth(message, 60, characters);
    EXPECT_EQ(withoutBreaks(wrapped), withoutBreaks(message));
    std::size_t start = 0;
    while (start <= wrapped.size()) {
        const std::size_t end = std::min(wrapped.find('\n', start), wrapped.size());
        EXPECT_LE(end - start, 60u) << wrapped;
        start = end + 1;
    }
    // The folders stay on the first line; the name alone is cut where the lines are full.
    EXPECT_EQ(wrapped.substr(0, wrapped.find('\n')), "Path not found: /home/ana/out/");
    EXPECT_EQ(wrapped.substr(wrapped.find('\n') + 1, 61), name.substr(0, 60) + "\n");
}

TEST(WrapToWidth, NeverCutsACharacterInTwo) {
    const std::string euros = "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC";  // three characters
    EXPECT_EQ(wrapToWidth(euros, 2, characters), "\xE2\x82\xAC\xE2\x82\xAC\n\xE2\x82\xAC");
    // Narrower than one character: still one character a line, never none.
    EXPECT_EQ(wrapToWidth("ab", 0, characters), "a\nb");
}

TEST(LegibleColor, ContrastIsMeasuredAsTheEyeSeesIt) {
    EXPECT_NEAR(contrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio({0, 0, 255}, {0, 0, 255}), 1.0, 1e-9);
    EXPECT_NEAR(contrastRatio({0, 0, 255}, {255, 255, 255}), 8.59, 0.01);
}

TEST(LegibleColor, TheDesignsBlueStaysWhereItCanBeRead) {
    const Color blue{0, 0, 255};
    const Color buttonFace{240, 240, 240};
    EXPECT_EQ(contrastRatio(legibleOn(blue, buttonFace), blue), 1.0);
    // On a bright blue face (a pressed button in some themes) it turns a darker blue.
    const Color brightBlue{0, 120, 215};
    const Color chosen = legibleOn(blue, brightBlue);
    EXPECT_GE(contrastRatio(chosen, brightBlue), legibleContrast);
    EXPECT_EQ(chosen.red, 0);
    EXPECT_EQ(chosen.green, 0);
    EXPECT_GT(chosen.blue, 0);
    // On a dark face it turns lighter.
    const Color navy{0, 0, 96};
    EXPECT_GE(contrastRatio(legibleOn(blue, navy), navy), legibleContrast);
    EXPECT_GT(legibleOn(blue, navy).red, 0);
    // Whatever the face, the answer can be read on it.
    for (int grey = 0; grey <= 255; grey += 5) {
        const Color face{std::uint8_t(grey), std::uint8_t(grey), std::uint8_t(grey)};
        EXPECT_GE(contrastRatio(legibleOn(blue, face), face), legibleContrast) << grey;
    }
}

}  // namespace
}  // namespace quorvel::testing
