#include <gtest/gtest.h>

#include "engine/piece_naming.h"

namespace quorvel::naming {
namespace {

TEST(PieceNaming, PiecePathsFollowTheWindowsExamples) {
    struct Case {
        const char *savePath, *sourcePath;
        int n;
        const char* expected;
    };
    for (const Case& c : {
             Case{R"(C:\out)", R"(C:\data\a.bin)", 1, R"(C:\out\a.bin_1.xst)"},
             Case{R"(C:\data\)", R"(C:\data\a.bin)", 2, R"(C:\data\a.bin_2.xst)"},
             Case{R"(C:\data)", R"(C:\data\a.bin)", 1, R"(C:\data\a.bin_1.xst)"},
             Case{R"(C:\)", R"(D:\x\report.v2.doc)", 10, R"(C:\report.v2.doc_10.xst)"},
             Case{R"(C:\out)", R"(C:\data\README)", 3, R"(C:\out\README_3.xst)"},
             Case{R"(C:\out)", R"(C:\d\my_file.tar.gz)", 32767, R"(C:\out\my_file.tar.gz_32767.xst)"},
             Case{R"(\\server\share)", R"(C:\a.bin)", 1, R"(\\server\share\a.bin_1.xst)"},
             Case{R"(\\server\share\)", R"(\\server\share\a.bin)", 1,
                  R"(\\server\share\a.bin_1.xst)"},
         }) {
        EXPECT_EQ(piecePath(c.savePath, c.sourcePath, c.n, '\\'), c.expected) << c.savePath;
    }
    EXPECT_EQ(piecePath("/data/", "/data/a.bin", 2, '/'), "/data/a.bin_2.xst");
    EXPECT_EQ(piecePath("/", "/x/a.bin", 1, '/'), "/a.bin_1.xst");
}

TEST(PieceNaming, FoldHalvesRunsOfSeparatorsButKeepsANetworkPrefix) {
    EXPECT_EQ(fold(R"(C:\a\\\b)", '\\'), R"(C:\a\\b)");    // three become two
    EXPECT_EQ(fold(R"(C:\a\\\\b)", '\\'), R"(C:\a\\b)");   // four become two
    EXPECT_EQ(fold(R"(\\srv\\x)", '\\'), R"(\\srv\x)");
    EXPECT_EQ(fold("//srv//x", '/'), "//srv/x");
    EXPECT_EQ(fold("a//b", '/'), "a/b");
    EXPECT_EQ(inFolder("\\", "a.bin", '\\'), "\\a.bin");  // the root of the current drive
    EXPECT_EQ(inFolder("/", "a.bin", '/'), "/a.bin");
}

TEST(PieceNaming, ReadingASetFromItsFirstPiece) {
    struct Case {
        const char *firstPiece, *prefix, *joinedName;
    };
    for (const Case& c : {
             Case{R"(C:\in\a.bin_1.xst)", R"(C:\in\a.bin_)", "a.bin"},
             Case{R"(C:\in\A.BIN_1.XST)", R"(C:\in\A.BIN_)", "A.BIN"},
             Case{R"(C:\in\a_1.xst.txt_1.xst)", R"(C:\in\a_1.xst.txt_)", "a_1.xst.txt"},
             Case{R"(C:\v1.xst\a_1.xst)", R"(C:\v1.xst\a_)", "a"},
             Case{R"(C:\in\my_file.tar.gz_1.xst)", R"(C:\in\my_file.tar.gz_)", "my_file.tar.gz"},
         }) {
        EXPECT_TRUE(isFirstPiece(c.firstPiece)) << c.firstPiece;
        EXPECT_EQ(setPrefix(c.firstPiece), c.prefix);
        EXPECT_EQ(joinedName(c.firstPiece, '\\'), c.joinedName);
    }
    EXPECT_EQ(pieceOfSet(R"(C:\in\A.BIN_)", 2), R"(C:\in\A.BIN_2.xst)");
    EXPECT_EQ(joinedPath(R"(C:\out)", R"(C:\in\a.bin_1.xst)", '\\'), R"(C:\out\a.bin)");
    EXPECT_EQ(joinedPath(R"(C:\out\)", R"(C:\in\a.bin_1.xst)", '\\'), R"(C:\out\a.bin)");
    EXPECT_EQ(joinedPath(R"(C:\)", R"(C:\in\a.bin_1.xst)", '\\'), R"(C:\a.bin)");
    EXPECT_EQ(joinedPath("/out/", "/in/a.bin_1.xst", '/'), "/out/a.bin");
}

TEST(PieceNaming, OnlyTheFirstPieceStartsAJoinAndNoPieceIsCutAgain) {
    for (const char* notFirst : {"a.bin_2.xst", "a.bin_11.xst", "a.bin_1.xst ", "", "1.xst"}) {
        EXPECT_FALSE(isFirstPiece(notFirst)) << notFirst;
    }
    EXPECT_TRUE(isFirstPiece("_1.XsT"));
    EXPECT_TRUE(isPieceFile(R"(C:\data\movie.avi_1.XST)"));
    EXPECT_TRUE(isPieceFile(".xst"));
    EXPECT_FALSE(isPieceFile("a.xst "));
    EXPECT_FALSE(isPieceFile("xst"));
}

// The names a double-click or a drop brings: only "<prefix><n>.xst" with n from 1 to 32,767 is a
// piece, and a name of any length, the shortest too, is read safely.
TEST(PieceNaming, APieceIsKnownByItsNumberAndAnyOtherNameIsNone) {
    struct Case {
        const char* path;
        std::optional<std::int32_t> number;
        const char* prefix;
    };
    for (const Case& c : {Case{"/in/a.bin_2.xst", 2, "/in/a.bin_"},
                          Case{"/in/A.BIN_32767.XST", 32767, "/in/A.BIN_"},
                          Case{"_1.xst", 1, "_"},
                          Case{"/in/a.bin_32768.xst", std::nullopt, ""},
                          Case{"/in/a.bin_02.xst", std::nullopt, ""},
                          Case{"/in/a.bin_.xst", std::nullopt, ""},
                          Case{"/in/a.bin2.xst", std::nullopt, ""},
                          Case{"1.xst", std::nullopt, ""},
                          Case{"/in/photo.jpg", std::nullopt, ""},
                          Case{"/a", std::nullopt, ""},
                          Case{"", std::nullopt, ""}}) {
        EXPECT_EQ(pieceNumber(c.path), c.number) << c.path;
        EXPECT_EQ(prefixOfPiece(c.path), c.prefix) << c.path;
    }
}

TEST(PieceNaming, TheFolderOfAPathKeepsARootWhole) {
    EXPECT_EQ(folderOf(R"(C:\data\a.bin)", '\\'), R"(C:\data)");
    EXPECT_EQ(folderOf(R"(C:\a.bin)", '\\'), R"(C:\)");
    EXPECT_EQ(folderOf(R"(\a.bin)", '\\'), R"(\)");
    EXPECT_EQ(folderOf(R"(\\server\share\a.bin)", '\\'), R"(\\server\share)");
    EXPECT_EQ(folderOf("a.bin", '\\'), ".");
    EXPECT_EQ(folderOf("/data/a.bin", '/'), "/data");
    EXPECT_EQ(folderOf("/a.bin", '/'), "/");
}

}  // namespace
}  // namespace quorvel::naming
