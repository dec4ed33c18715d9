#include <filesystem>
#include <vector>

#include "app/progress_bar.h"
#include "app/texts.h"
#include "platform/process.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

class Split : public WindowTest {
  protected:
    // A close stopped the run: no message, nothing in the folder but the source (piece 1 is put
    // in place only once the set is whole), the inputs usable, no file left open.
    void expectStoppedWithOnlyTheSource(int filesOpenBefore) {
        EXPECT_TRUE(kit.messages.empty());
        EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
        EXPECT_TRUE(form.Frame1->enabled());
        EXPECT_EQ(openFileCount(), filesOpenBefore);
    }
};

TEST_F(Split, TenBytesIntoThreePartsAsAUserSeesIt) {
    const std::string source = dir / "a.bin";
    writeBytes(source, "0123456789");
    std::vector<float> widths;
    std::vector<bool> inputsEnabled;
    kit.onYield = [&](int) {
        widths.push_back(form.sp->width());
        inputsEnabled.push_back(form.Frame1->enabled());
    };
    const int filesOpen = openFileCount();

    split(source, dir.withSeparator(), "3");

    EXPECT_EQ(bytesOf(piece("a.bin", 1)), "0123");
    EXPECT_EQ(bytesOf(piece("a.bin", 2)), "456");
    EXPECT_EQ(bytesOf(piece("a.bin", 3)), "789");
    EXPECT_EQ(widths, (std::vector<float>{1725, 3450}));
    EXPECT_EQ(inputsEnabled, (std::vector<bool>{false, false}));
    EXPECT_EQ(form.sp->width(), 5175);
    ASSERT_EQ(kit.messages.size(), 1u);
    EXPECT_EQ(kit.messages[0].text, text::splitDone);
    EXPECT_EQ(kit.messages[0].title, executableName());
    EXPECT_TRUE(form.Frame1->enabled());
    EXPECT_EQ(form.partCount, 3);
    EXPECT_EQ(openFileCount(), filesOpen);
}

TEST_F(Split, PieceSizesPutTheRemainderInTheFirstPiece) {
    struct Case {
        std::size_t length;
        int parts;
        std::vector<std::size_t> sizes;
    };
    for (const Case& c : {Case{9, 3, {3, 3, 3}}, Case{5, 5, {1, 1, 1, 1, 1}},
                          Case{1000, 7, {148, 142, 142, 142, 142, 142, 142}},
                          // long pieces that start inside a page of the source
                          Case{(1 << 20) + 2, 3, {349526, 349526, 349526}}}) {
        TempFolder out;
        const std::string source = dir / "data";
        const std::string bytes = patternBytes(c.length);
        writeBytes(source, bytes);
        split(source, out.path(), std::to_string(c.parts));
        std::string joined;
        for (int n = 1; n <= c.parts; ++n) {
            const std::string piece = bytesOf(pieceIn(out.path(), "data", n));
            EXPECT_EQ(piece.size(), c.sizes[n - 1]) << c.length << " bytes, piece " << n;
            joined += piece;
        }
        EXPECT_EQ(joined, bytes);
        EXPECT_EQ(out.names().size(), static_cast<std::size_t>(c.parts) + 1);  // and the record
    }
}

TEST_F(Split, MissingInputsAreReportedAndNothingIsWritten) {
    std::filesystem::create_directory(dir / "folder");
    writeBytes(dir / "a.bin", "0123456789");
    struct Case {
        std::string source, destination;
        const char* message;
    };
    for (const Case& c :
         {Case{"", dir.path(), text::noSource}, Case{dir / "folder", dir.path(), text::noSource},
          Case{dir / "missing.bin", dir.path(), text::noSource},
          Case{dir / "a.bin", "", text::noDestination}}) {
        kit.messages.clear();
        split(c.source, c.destination, "3");
        ASSERT_EQ(kit.messages.size(), 1u);
        EXPECT_EQ(lastMessage(), c.message) << c.source;
        EXPECT_TRUE(form.Frame1->enabled());
        EXPECT_EQ(form.sp->width(), 1);
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.bin", "folder"}));
    EXPECT_EQ(form.partCount, 0);
}

TEST_F(Split, AMissingDestinationFolderIsNamedInTheMessage) {
    writeBytes(dir / "a.bin", "0123456789");
    split(dir / "a.bin", dir / "nowhere", "3");
    EXPECT_NE(lastMessage().find(dir / "nowhere"), std::string::npos) << lastMessage();
    EXPECT_TRUE(form.Frame1->enabled());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
}

TEST_F(Split, ASourceShorterThanThePartsStopsAtTheFirstEmptyPiece) {
    writeBytes(dir / "a.bin", "01");
    split(dir / "a.bin", dir.path(), "3");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
    EXPECT_EQ(form.sp->width(), 1725);
    EXPECT_NE(lastMessage().find("piece 2"), std::string::npos) << lastMessage();
    EXPECT_NE(lastMessage().find(text::splitIncomplete), std::string::npos) << lastMessage();
    EXPECT_TRUE(form.Frame1->enabled());
}

TEST_F(Split, AnEmptySourceWritesNoPiece) {
    writeBytes(dir / "a.bin", "");
    split(dir / "a.bin", dir.path(), "2");
    EXPECT_NE(lastMessage().find("empty"), std::string::npos) << lastMessage();
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
}

TEST_F(Split, MoreThan32767PartsAreRefusedBeforeAnyPieceIsWritten) {
    writeBytes(dir / "a.bin", patternBytes(40000));
    split(dir / "a.bin", dir.path(), "32768");
    EXPECT_NE(lastMessage().find("32767"), std::string::npos) << lastMessage();
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
    EXPECT_TRUE(form.Frame1->enabled());
}

TEST_F(Split, ASplitReplacesOldPiecesAndRemovesThoseNumberedBeyondIt) {
    const std::string source = dir / "a.bin";
    writeBytes(source, "0123456789");
    writeBytes(piece("a.bin", 1), "an older and much longer piece");
    writeBytes(piece("a.bin", 4), "left by a split into five");
    writeBytes(piece("a.bin", 5), "left by a split into five");
    writeBytes(piece("a.bin", 7), "after a gap: not part of any set");
    writeBytes(piece("b.bin", 4), "another set");

    split(source, dir.path(), "3");

    EXPECT_EQ(bytesOf(piece("a.bin", 1)), "0123");
    EXPECT_FALSE(exists(piece("a.bin", 4)));
    EXPECT_FALSE(exists(piece("a.bin", 5)));
    EXPECT_TRUE(exists(piece("a.bin", 7)));
    EXPECT_TRUE(exists(piece("b.bin", 4)));
    EXPECT_EQ(lastMessage(), text::splitDone);
}

TEST_F(Split, ClosingTheWindowStopsTheRunBetweenTwoPieces) {
    writeBytes(dir / "a.bin", "0123456789");
    kit.onYield = [&](int) { kit.close(); };
    const int filesOpen = openFileCount();
    split(dir / "a.bin", dir.path(), "3");
    expectStoppedWithOnlyTheSource(filesOpen);
}

TEST_F(Split, ASourceThatShrinksDuringTheSplitLeavesNoShortPiece) {
    const std::string source = dir / "a.bin";
    writeBytes(source, patternBytes(300));
    kit.onYield = [&](int) { std::filesystem::resize_file(source, 150); };
    split(source, dir.path(), "3");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bin"});
    EXPECT_NE(lastMessage().find("ended before"), std::string::npos) << lastMessage();
}

#ifndef _WIN32
TEST_F(Split, APieceNameThatLeadsToTheSourceIsRefused) {
    const std::string source = dir / "a.bin";
    writeBytes(source, "0123456789");
    std::filesystem::create_symlink(source, piece("a.bin", 1));
    split(source, dir.path(), "2");
    EXPECT_EQ(bytesOf(source), "0123456789");
    EXPECT_NE(lastMessage().find("source file itself"), std::string::npos) << lastMessage();
}
#endif

// Pieces of several copy steps: the bar moves with the bytes within each piece, never reaching
// the width the piece's end sets, and lands on the exact widths after each piece.
TEST_F(Split, TheBarMovesWithinAPieceAndStopsShortOfItsEnd) {
    const std::string source = dir / "a.bin";
    writeBytes(source, patternBytes(12 << 20));
    std::vector<std::pair<int, float>> seen;  // the piece under way, the bar's width
    kit.onRepaint = [&](int) {
        // Once the last piece is in place the bar is full while the set is flushed.
        if (!std::filesystem::exists(piece("a.bin", 3))) seen.push_back({kit.yields + 1, form.sp->width()});
    };
    split(source, dir.path(), "3");
    ASSERT_EQ(lastMessage(), text::splitDone);
    ASSERT_GT(seen.size(), 3u);
    float last = 0;
    bool movedWithinAPiece = false;
    for (const auto& [pieceNumber, width] : seen) {
        EXPECT_LT(width, 1725.0f * static_cast<float>(pieceNumber));
        EXPECT_GE(width, last);
        movedWithinAPiece |= width > 1725.0f * static_cast<float>(pieceNumber - 1) + 1;
        last = width;
    }
    EXPECT_TRUE(movedWithinAPiece);
    EXPECT_EQ(form.sp->width(), 5175.0f);
    EXPECT_EQ(bytesOf(piece("a.bin", 3)), patternBytes(12 << 20).substr(8 << 20));
}

TEST(ProgressBar, WithinTheLastOf32767PiecesTheBarStaysShortOfFull) {
    TempFolder dir;
    HeadlessToolkit kit;
    frmMain form(kit);
    ProgressBar bar(*form.sp);
    bar.reset();
    ASSERT_FALSE(bar.advance(32766, 32767));
    bar.advanceWithin(32767, 32767, 0.999999);
    EXPECT_LT(form.sp->width(), 5175.0f);
    EXPECT_TRUE(bar.advance(32767, 32767));
    EXPECT_EQ(form.sp->width(), 5175.0f);
}

// A close in the middle of a piece stops the run there: no message, no piece of the unfinished
// set, no temporary file.
TEST_F(Split, ClosingTheWindowInTheMiddleOfAPieceStopsTheRun) {
    const std::string source = dir / "a.bin";
    writeBytes(source, patternBytes(8 << 20));
    kit.onRepaint = [&](int) { kit.close(); };
    const int filesOpen = openFileCount();
    split(source, dir.path(), "2");
    expectStoppedWithOnlyTheSource(filesOpen);
}

// An unfinished split beside an older set of another version of the file: what is left is no
// set a join takes, neither the new pieces alone nor a mix of new and old ones.
TEST_F(Split, AnUnfinishedSplitLeavesNothingAJoinTakesForAWholeSet) {
    const std::string source = dir / "a.bin";
    writeBytes(piece("a.bin", 1), "old1");
    writeBytes(piece("a.bin", 2), "old2");
    writeBytes(piece("a.bin", 3), "old3");
    writeBytes(source, patternBytes(3000));
    kit.onYield = [&](int n) {
        if (n == 2) kit.close();  // pieces 1 and 2 written, old piece 3 still there
    };
    split(source, dir.path(), "3");
    EXPECT_FALSE(exists(piece("a.bin", 1)));
    kit.onYield = nullptr;
    TempFolder into;
    HeadlessToolkit joinKit;
    frmMain joiner(joinKit);
    joinKit.click("Opt2");
    joiner.Text1->setText(piece("a.bin", 1));
    joiner.sourcePath = piece("a.bin", 1);
    joiner.Text2->setText(into.path());
    joiner.savePath = into.path();
    joinKit.click("cmd_Split");
    ASSERT_EQ(joinKit.messages.size(), 1u);
    EXPECT_EQ(joinKit.messages[0].text, text::firstPieceMissing);
    EXPECT_TRUE(into.names().empty());
}

#ifndef _WIN32
// On a file system that tells letter case apart, a.bin and A.BIN are two files with two sets.
TEST_F(Split, AnotherFilesPiecesThatDifferOnlyInCaseAreNeverTouched) {
    writeBytes(dir / "A.BIN", patternBytes(5005, 2));
    split(dir / "A.BIN", dir.path(), "5");
    for (int n = 1; n <= 5; ++n) {
        std::filesystem::rename(piece("A.BIN", n), pieceIn(dir.path(), "A.BIN", n, ".XST"));
    }
    writeBytes(dir / "a.bin", patternBytes(1001));
    split(dir / "a.bin", dir.path(), "3");
    EXPECT_TRUE(exists(dir / "A.BIN_4.XST"));
    EXPECT_TRUE(exists(dir / "A.BIN_5.XST"));
    TempFolder into;
    join(piece("a.bin", 1), into.path());
    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_EQ(bytesOf(into / "a.bin"), patternBytes(1001));
}
#endif

}  // namespace
}  // namespace quorvel::testing
