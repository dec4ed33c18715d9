// The runs as every door gets them from the engine, with no window: a host that notes what it is
// told and answers as the test says.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/join_run.h"
#include "engine/messages.h"
#include "engine/split_run.h"
#include "engine/start_checks.h"
#include "platform/file_system.h"
#include "platform/run_error.h"
#include "tests/support/files.h"

namespace quorvel::testing {
namespace {

struct NotingHost : RunHost {
    std::vector<std::string> told;
    std::function<void(int)> atYield;
    bool stop = false;
    bool deleteWhenJoined = false;
    int yields = 0, answers = 0;
    std::vector<double> shares;

    void yieldBetweenPieces() override {
        told.push_back("yield");
        if (atYield) atYield(++yields);
    }
    void answer() override { ++answers; }
    bool stopRequested() const override { return stop; }
    void progressWithin(std::int32_t, std::int32_t, double done) override {
        shares.push_back(done);
    }
    void report(const std::string& message) override { told.push_back(message); }
    void pieceSplit(const SplitPiece& data, std::int64_t l, std::int16_t num) override {
        told.push_back("piece " + std::to_string(num) + ": " + std::to_string(l) + " bytes");
        EXPECT_EQ(data.length, l);
        EXPECT_EQ(data.path, pieceIn(folderOf(data.path), "a.bin", num));
    }
    void pieceJoined(const std::int32_t& curNum, const std::int32_t& totalNum,
                     JoinedSet& set) override {
        told.push_back("joined " + std::to_string(curNum) + " of " + std::to_string(totalNum));
        if (curNum == totalNum && deleteWhenJoined) set.deletePieces();
    }
};

class Engine : public ::testing::Test {
  protected:
    TempFolder dir;
    NotingHost host;
};

TEST_F(Engine, ASplitTellsOfEachPieceWithAYieldBetweenTwo) {
    writeBytes(dir / "a.bin", "0123456789");
    splitFile({dir / "a.bin", dir.path(), 3}, host);
    EXPECT_EQ(host.told, (std::vector<std::string>{"piece 1: 4 bytes", "yield", "piece 2: 3 bytes",
                                                   "yield", "piece 3: 3 bytes"}));
    EXPECT_EQ(bytesOf(pieceIn(dir.path(), "a.bin", 1)), "0123");
    EXPECT_EQ(bytesOf(pieceIn(dir.path(), "a.bin", 3)), "789");
}

TEST_F(Engine, AJoinTellsOfEachPieceAndDeletesTheSetWhenAsked) {
    writeBytes(pieceIn(dir.path(), "a.bin", 1), "0123");
    writeBytes(pieceIn(dir.path(), "a.bin", 2), "456");
    writeBytes(pieceIn(dir.path(), "a.bin", 3), "789");
    writeBytes(pieceIn(dir.path(), "b.bin", 1), "another set");
    TempFolder out;
    host.deleteWhenJoined = true;
    JoinRun join({pieceIn(dir.path(), "a.bin", 1), out.path()}, host);
    EXPECT_EQ(join.pieceCount(), 3);
    EXPECT_EQ(join.targetPath(), out / "a.bin");
    join.run();
    EXPECT_EQ(host.told, (std::vector<std::string>{"joined 1 of 3", "yield", "joined 2 of 3",
                                                   "yield", "joined 3 of 3"}));
    EXPECT_EQ(bytesOf(out / "a.bin"), "0123456789");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"b.bin_1.xst"});
}

// A long piece tells of its bytes on the medium as it goes, and the host answers all the while.
TEST_F(Engine, ALongPieceShowsItsShareOnTheMediumAsItGoes) {
    writeBytes(dir / "a.bin", patternBytes(12 << 20));
    splitFile({dir / "a.bin", dir.path(), 2}, host);
    ASSERT_FALSE(host.shares.empty());
    for (const double share : host.shares) {
        EXPECT_GE(share, 0.0);
        EXPECT_LT(share, 1.0);
    }
    EXPECT_GT(host.answers, 0);
}

// A stop asked for ends the run quietly at its next chance: no message, and no first piece, so
// nothing a join would take for a set.
TEST_F(Engine, AStopEndsTheRunAndLeavesNoSet) {
    writeBytes(dir / "a.bin", patternBytes(3000));
    host.atYield = [&](int yield) { host.stop = yield == 2; };
    EXPECT_THROW(splitFile({dir / "a.bin", dir.path(), 3}, host), RunCancelled);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.bin", "a.bin_2.xst"}));
    EXPECT_EQ(host.told.back(), "yield");
}

// The checks every door makes before a run opens anything, in the order they are made.
TEST(StartChecks, RefuseWhatCannotMakeARun) {
    TempFolder dir;
    writeBytes(dir / "a.bin", "0123456789");
    writeBytes(pieceIn(dir.path(), "a.bin", 1), "0123");
    struct Case {
        std::optional<checks::Refusal> refusal;
        const char* message;  // null: no refusal
        bool ofThePartsCount;
    };
    for (const Case& c : {
             Case{checks::splitStart("3", dir / "a.bin"), nullptr, false},
             Case{checks::splitStart("1", dir / "a.bin"), text::badPartsCount, true},
             Case{checks::splitStart("abc", dir / "a.XST"), text::badPartsCount, true},
             Case{checks::splitStart("3", dir / "a.XST"), text::cannotSplitPiece, false},
             Case{checks::splitInputs(dir / "a.bin", dir.path()), nullptr, false},
             Case{checks::splitInputs(dir.path(), dir.path()), text::noSource, false},
             Case{checks::splitInputs(dir / "a.bin", ""), text::noDestination, false},
             Case{checks::joinInputs(pieceIn(dir.path(), "a.bin", 1)), nullptr, false},
             Case{checks::joinInputs(pieceIn(dir.path(), "a.bin", 2)), text::notFirstPiece, false},
             Case{checks::joinInputs(pieceIn(dir.path(), "b.bin", 1)), text::firstPieceMissing,
                  false},
         }) {
        ASSERT_EQ(c.refusal.has_value(), c.message != nullptr) << (c.message ? c.message : "");
        if (!c.refusal) continue;
        EXPECT_STREQ(c.refusal->message, c.message);
        EXPECT_EQ(c.refusal->ofThePartsCount, c.ofThePartsCount) << c.message;
    }
}

}  // namespace
}  // namespace quorvel::testing
