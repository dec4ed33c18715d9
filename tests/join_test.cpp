#include <filesystem>
#include <vector>

#include "app/texts.h"
#include "engine/piece_lookup.h"
#include "platform/process.h"
#include "platform/run_error.h"
#include "tests/support/window_test.h"

namespace quorvel::testing {
namespace {

class Join : public WindowTest {
protected:
    // Pieces of `name` in the test folder, numbered from 1 in the order given.
    void pieces(const std::string& name, const std::vector<std::string>& contents) {
        for (std::size_t i = 0; i < contents.size(); ++i) {
            writeBytes(piece(name, static_cast<int>(i + 1)), contents[i]);
        }
    }
    TempFolder out;
};

TEST_F(Join, ThreePiecesBackIntoOneFileAsAUserSeesIt) {
    pieces("a.bin", {"0123", "456", "789"});
    std::vector<float> widths;
    std::vector<bool> inputsEnabled;
    kit.onYield = [&](int) {
        widths.push_back(form.sp->width());
        inputsEnabled.push_back(form.Frame1->enabled());
    };
    const int filesOpen = openFileCount();

    join(piece("a.bin", 1), out.withSeparator());

    EXPECT_EQ(bytesOf(out / "a.bin"), "0123456789");
    EXPECT_EQ(out.names(), std::vector<std::string>{"a.bin"});
    EXPECT_EQ(widths, (std::vector<float>{1725, 3450}));
    EXPECT_EQ(inputsEnabled, (std::vector<bool>{false, false}));
    EXPECT_EQ(form.sp->width(), 5175);
    ASSERT_EQ(kit.messages.size(), 1u);
    EXPECT_EQ(kit.messages[0].text, text::jointDone);
    EXPECT_EQ(kit.messages[0].title, executableName());
    EXPECT_TRUE(form.Frame1->enabled());
    EXPECT_EQ(form.partCount, 3);
    EXPECT_EQ(form.targetPath, out / "a.bin");
    EXPECT_EQ(dir.names().size(), 3u);  // the pieces stay unless asked otherwise
    EXPECT_EQ(openFileCount(), filesOpen);
}

TEST_F(Join, SetsAreFoundWhateverTheirNamesLookLike) {
    struct Case {
        std::vector<std::string> names;  // piece files, numbered as they appear
        std::string joined;
    };
    for (const Case& c : {
             Case{{"A.BIN_1.XST", "A.BIN_2.XST", "a.bin_3.xst"}, "A.BIN"},
             Case{{"a_1.xst.bin_1.xst", "a_1.xst.bin_2.xst"}, "a_1.xst.bin"},
             Case{{"my_file.tar.gz_1.xst", "my_file.tar.gz_2.xst"}, "my_file.tar.gz"},
             Case{{"x_1.xst"}, "x"},
         }) {
        TempFolder set, into;
        std::string expected;
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            const std::string bytes = patternBytes(10 + i, static_cast<unsigned>(i + 1));
            writeBytes(set / c.names[i], bytes);
            expected += bytes;
        }
        kit.yields = 0;
        join(set / c.names[0], into.path());
        EXPECT_EQ(lastMessage(), text::jointDone) << c.joined;
        EXPECT_EQ(bytesOf(into / c.joined), expected) << c.joined;
        EXPECT_EQ(form.partCount, static_cast<int>(c.names.size()));
        EXPECT_EQ(kit.yields, static_cast<int>(c.names.size()) - 1);
    }
}

#ifndef _WIN32
// Where letter case tells names apart, a piece renamed in case still belongs to its set, unless
// two names of the set (or of its source) differ only in case: then those are two sets, and only
// names spelt exactly as the chosen piece's are taken.
TEST_F(Join, NamesThatDifferOnlyInCaseMakeTwoSets) {
    struct Case {
        std::vector<std::string> pieces;  // numbered as they appear
        std::vector<std::string> others;  // in the same folder
        std::size_t joined;               // how many pieces the join takes
    };
    for (const Case& c : {
             Case{{"a.bin_1.xst", "a.bin_2.xst", "A.BIN_3.XST"}, {}, 3},
             Case{{"a.bin_1.xst", "a.bin_2.XST"}, {}, 2},
             Case{{"a.bin_1.xst", "a.bin_2.xst", "A.BIN_3.XST"}, {"A.BIN_2.XST"}, 2},
             Case{{"a.bin_1.xst", "A.bin_2.xst"}, {"a.BIN_2.xst"}, 1},
             Case{{"a.bin_1.xst", "A.BIN_2.XST"}, {"a.bin", "A.Bin"}, 1},
             Case{{"a.bin_1.xst", "A.BIN_2.XST"}, {"A.Bin", "a.BIN"}, 1},
             Case{{"a.bin_1.xst", "a.bin_02.xst"}, {}, 1},
         }) {
        TempFolder set, into;
        std::string expected;
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            const std::string bytes = patternBytes(10 + i, static_cast<unsigned>(i + 1));
            writeBytes(set / c.pieces[i], bytes);
            if (i < c.joined) expected += bytes;
        }
        for (const std::string& name : c.others) writeBytes(set / name, "another set's");
        join(set / c.pieces[0], into.path());
        const std::string shown = c.pieces.back() + (c.others.empty() ? "" : " " + c.others[0]);
        EXPECT_EQ(lastMessage(), text::jointDone) << shown;
        EXPECT_EQ(bytesOf(into / "a.bin"), expected) << shown;
    }
}
#endif

TEST_F(Join, PiecesOfAnyLengthJoinByteForByteWhereverTheyLand) {
    // The second piece is long and lands inside a page of the joined file; the short ones after
    // it are gathered in memory, more than a gathering holds, around the longest gathered.
    std::vector<std::string> contents = {patternBytes(300001, 1), patternBytes(700000, 2),
                                         patternBytes(5, 3)};
    for (unsigned n = 0; n < 200; ++n) contents.push_back(patternBytes(3000 + n, n));
    for (const std::size_t length : {16384, 16385, 7}) contents.push_back(patternBytes(length, 9));
    pieces("a.bin", contents);
    std::string expected;
    for (const std::string& bytes : contents) expected += bytes;

    join(piece("a.bin", 1), out.path());

    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_EQ(bytesOf(out / "a.bin"), expected);
}

// The count asks for the lengths of a large set's pieces from two threads at once: each half must
// land in its place, and a stop in this thread's half must not leave the other using what is gone.
TEST(PieceLookup, LengthsAsSpeltComeFromBothHalvesAndAStopWaitsForThem) {
    TempFolder dir;
    for (int n = 1; n <= 400; ++n) {
        if (n != 100 && n != 300) writeBytes(pieceIn(dir.path(), "a.bin", n), std::string(n, 'x'));
    }
    PieceLookup lookup(dir / "a.bin_", [] {});
    std::vector<std::int64_t> lengths(399);
    lookup.lengthsAsSpelt(2, lengths);
    for (int n = 2; n <= 400; ++n) {
        const std::int64_t expected = n == 100 || n == 300 ? PieceLookup::notAsSpelt : n;
        EXPECT_EQ(lengths[static_cast<std::size_t>(n - 2)], expected) << n;
    }

    int answers = 0;
    PieceLookup stopped(dir / "a.bin_", [&] {
        if (++answers == 2) throw RunCancelled();
    });
    EXPECT_THROW(stopped.lengthsAsSpelt(2, lengths), RunCancelled);
}

TEST_F(Join, AGapEndsTheSet) {
    pieces("a.bin", {"0123", "456"});
    writeBytes(piece("a.bin", 4), "beyond the gap");
    join(piece("a.bin", 1), out.path());
    EXPECT_EQ(form.partCount, 2);
    EXPECT_EQ(bytesOf(out / "a.bin"), "0123456");
    EXPECT_EQ(lastMessage(), text::jointDone);
}

TEST_F(Join, TheJoinedFileReplacesALongerOneWithExactlyThePieces) {
    pieces("a.bin", {"0123", "456", "789"});
    writeBytes(dir / "a.bin", patternBytes(5000));
    join(piece("a.bin", 1), dir.withSeparator());
    EXPECT_EQ(bytesOf(dir / "a.bin"), "0123456789");
}

TEST_F(Join, AChosenFileThatIsNoFirstPieceIsRefused) {
    pieces("a.bin", {"0123", "456"});
    form.partCount = 7;
    form.targetPath = "kept";
    join(piece("a.bin", 2), out.path());
    EXPECT_EQ(lastMessage(), text::notFirstPiece);
    join("", out.path());
    EXPECT_EQ(lastMessage(), text::notFirstPiece);
    join(dir / "gone_1.xst", out.path());
    EXPECT_EQ(lastMessage(), text::firstPieceMissing);
    EXPECT_EQ(form.partCount, 7);
    EXPECT_EQ(form.targetPath, "kept");
    EXPECT_TRUE(out.names().empty());
    EXPECT_TRUE(form.Frame1->enabled());
}

TEST_F(Join, FailuresLeaveNoOutputAndNoTemporaryFile) {
    pieces("a.bin", {"0123", "456", "789"});
    writeBytes(out / "a.bin", "what was there before");

    join(piece("a.bin", 1), dir / "nowhere");
    EXPECT_NE(lastMessage().find(dir / "nowhere"), std::string::npos) << lastMessage();
    EXPECT_FALSE(exists(dir / "nowhere"));

    kit.onYield = [&](int) { std::filesystem::remove(piece("a.bin", 3)); };
    join(piece("a.bin", 1), out.path());
    EXPECT_NE(lastMessage().find("a.bin_3.xst"), std::string::npos) << lastMessage();
    EXPECT_TRUE(form.Frame1->enabled());
    EXPECT_EQ(bytesOf(out / "a.bin"), "what was there before");
    EXPECT_EQ(out.names(), std::vector<std::string>{"a.bin"});
}

TEST_F(Join, AnEmptyPieceStopsTheJoinAndNothingIsDeleted) {
    pieces("a.bin", {"0123", "", "789"});
    kit.click("Opt2");
    kit.click("Check1");
    join(piece("a.bin", 1), out.path());
    EXPECT_NE(lastMessage().find("empty"), std::string::npos) << lastMessage();
    EXPECT_TRUE(out.names().empty());
    EXPECT_EQ(dir.names().size(), 3u);
}

TEST_F(Join, ClosingTheWindowStopsTheJoinWithoutOutput) {
    pieces("a.bin", {"0123", "456", "789"});
    kit.onYield = [&](int) { kit.close(); };
    const int filesOpen = openFileCount();
    join(piece("a.bin", 1), out.path());
    EXPECT_TRUE(kit.messages.empty());
    EXPECT_TRUE(out.names().empty());
    EXPECT_EQ(dir.names().size(), 3u);
    EXPECT_EQ(openFileCount(), filesOpen);
}

TEST_F(Join, DeletingAfterTheJoinTakesOnlyTheSetsOwnPieces) {
    pieces("a.bin", {"0123", "456", "789"});
    writeBytes(piece("a.bin", 5), "beyond the gap");
    writeBytes(piece("b.bin", 1), "another set");
    kit.click("Opt2");
    kit.click("Check1");
    join(piece("a.bin", 1), out.path());
    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_EQ(bytesOf(out / "a.bin"), "0123456789");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.bin_5.xst", "b.bin_1.xst"}));
}

}  // namespace
}  // namespace quorvel::testing
