#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "app/texts.h"
#include "tests/support/fault_run.h"
#include "tests/support/system_call_faults.h"

namespace fs = std::filesystem;

namespace quorvel::testing {
namespace {

const std::string setBytes = patternBytes(3000);
const std::string oldTarget = "what was at the target before";

// A join of the three pieces of a 3,000-byte a.bin in `dir` into `out`, where an older a.bin
// lies; Check1 is ticked, so a run that deleted a piece too early would show.
class JoinFaultTest : public FaultTest {
protected:
    void SetUp() override {
        for (const auto& [path, bytes] : piecesOf(dir.path(), "a.bin", setBytes, 3)) {
            writeBytes(path, bytes);
        }
        writeBytes(out / "a.bin", oldTarget);
    }
    RunOutcome joinToOut(bool deletePieces) {
        return outcomeOf([&] {
            kit.click("Opt2");
            if ((form.Check1->value() == 1) != deletePieces) kit.click("Check1");
            join(firstPiece, destination);
        });
    }

public:
    std::string firstPiece = dir / "a.bin_1.xst";
    std::string destination = out.path();
    std::unique_ptr<ImmutableFolder> lock;
    std::optional<faults::Switch> failure;
    TempFolder& pieceFolder() { return dir; }
    TempFolder& destinationFolder() { return out; }
    HeadlessToolkit& toolkit() { return kit; }
    std::string pieceOf(int n) const { return piece("a.bin", n); }
};

struct JoinFault {
    std::string name;
    // Makes the fault (now, or at a yield) and gives the texts the message must hold.
    std::function<std::vector<std::string>(JoinFaultTest&)> make;
    int changedPiece = 0;  // the piece the fault itself changes, if any
};

void PrintTo(const JoinFault& fault, std::ostream* out) {
    *out << fault.name;
}

class JoinFaults : public JoinFaultTest, public ::testing::WithParamInterface<JoinFault> {};

TEST_P(JoinFaults, EndWithOneMessageAndEveryPieceKept) {
    const std::vector<std::string> mentions = GetParam().make(*this);
    if (lock && !lock->held()) GTEST_SKIP() << "the file system refuses the immutable flag";
    FolderContents before = contents();
    const RunOutcome outcome = joinToOut(true);
    lock.reset();
    failure.reset();
    expectCleanFailure(outcome, mentions);
    FolderContents after = contents();
    if (GetParam().changedPiece) {
        before.erase(pieceOf(GetParam().changedPiece));
        after.erase(pieceOf(GetParam().changedPiece));
    }
    expectNothingPartial(before, after);
}

INSTANTIATE_TEST_SUITE_P(
    , JoinFaults,
    ::testing::Values(JoinFault{"DestinationIsAFile",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    test.destination = test.destinationFolder() / "a.bin";
                                    return {test.destination, "Not a directory"};
                                }},
                      JoinFault{"DestinationTakesNoNewFile",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    test.lock = std::make_unique<ImmutableFolder>(test.destination);
                                    return {test.destination, "Operation not permitted"};
                                }},
                      JoinFault{"TargetIsAFolder",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    const std::string target = test.destinationFolder() / "a.bin";
                                    fs::remove(target);
                                    fs::create_directory(target);
                                    return {target, "Is a directory"};
                                }},
                      JoinFault{"FlushOfTheJoinedFileFails",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    test.failure.emplace(faults::flushFails);
                                    return {test.destination, "Input/output error"};
                                }},
                      JoinFault{"PieceTruncatedBeforeItsTurn",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    test.toolkit().onYield = [&test](int) {
                                        fs::resize_file(test.pieceOf(3), 1);
                                    };
                                    return {test.pieceOf(3), "changed since the set was counted"};
                                },
                                3},
                      JoinFault{"PieceReplacedByAFolderBeforeItsTurn",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    test.toolkit().onYield = [&test](int) {
                                        fs::remove(test.pieceOf(3));
                                        fs::create_directory(test.pieceOf(3));
                                    };
                                    return {test.pieceOf(3), "gone missing"};
                                },
                                3},
                      JoinFault{"PieceReplacedByADeviceBeforeItsTurn",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    test.toolkit().onYield = [&test](int) {
                                        fs::remove(test.pieceOf(2));
                                        fs::create_symlink("/dev/zero", test.pieceOf(2));
                                    };
                                    return {test.pieceOf(2), "gone missing"};
                                },
                                2},
                      JoinFault{"FirstPieceIsAFolder",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    test.firstPiece = test.pieceFolder() / "b.bin_1.xst";
                                    fs::create_directory(test.firstPiece);
                                    return {text::firstPieceMissing};
                                }},
                      JoinFault{"FirstPieceLeadsToADevice",
                                [](JoinFaultTest& test) -> std::vector<std::string> {
                                    test.firstPiece = test.pieceFolder() / "b.bin_1.xst";
                                    fs::create_symlink("/dev/null", test.firstPiece);
                                    return {text::firstPieceMissing};
                                }}),
    [](const auto& row) { return row.param.name; });

// Links among the pieces and the target: the run succeeds, reads nothing it is writing, and
// leaves every piece as it was.
struct JoinThroughLinks {
    std::string name;
    // Lays the links and gives what the joined file must hold.
    std::function<std::string(JoinFaultTest&)> make;
};

void PrintTo(const JoinThroughLinks& links, std::ostream* out) {
    *out << links.name;
}

class JoinsThroughLinks : public JoinFaultTest,
                          public ::testing::WithParamInterface<JoinThroughLinks> {};

TEST_P(JoinsThroughLinks, GiveTheSetsBytesAndKeepEveryPiece) {
    const std::string joined = GetParam().make(*this);
    FolderContents pieces = contents();
    pieces.erase(out / "a.bin");
    const RunOutcome outcome = joinToOut(false);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{text::jointDone});
    EXPECT_EQ(outcome.filesLeftOpen, 0);
    EXPECT_TRUE(bytesOf(out / "a.bin") == joined);
    EXPECT_FALSE(fs::is_symlink(out / "a.bin"));
    expectNothingPartial(pieces, contents(), {{out / "a.bin", joined}});
}

INSTANTIATE_TEST_SUITE_P(
    , JoinsThroughLinks,
    ::testing::Values(JoinThroughLinks{"TargetIsAHardLinkToAPiece",
                                       [](JoinFaultTest& test) {
                                           const std::string target =
                                               test.destinationFolder() / "a.bin";
                                           fs::remove(target);
                                           fs::create_hard_link(test.pieceOf(2), target);
                                           return setBytes;
                                       }},
                      JoinThroughLinks{"TargetIsASymlinkToTheFirstPiece",
                                       [](JoinFaultTest& test) {
                                           const std::string target =
                                               test.destinationFolder() / "a.bin";
                                           fs::remove(target);
                                           fs::create_symlink(test.pieceOf(1), target);
                                           return setBytes;
                                       }},
                      JoinThroughLinks{"PieceIsASymlinkToTheTarget",
                                       [](JoinFaultTest& test) {
                                           const std::string first = bytesOf(test.pieceOf(1));
                                           const std::string third = bytesOf(test.pieceOf(3));
                                           fs::remove(test.pieceOf(2));
                                           fs::create_symlink(test.destinationFolder() / "a.bin",
                                                              test.pieceOf(2));
                                           return first + oldTarget + third;
                                       }},
                      JoinThroughLinks{"PieceIsAHardLinkToAnother",
                                       [](JoinFaultTest& test) {
                                           const std::string first = bytesOf(test.pieceOf(1));
                                           const std::string third = bytesOf(test.pieceOf(3));
                                           fs::remove(test.pieceOf(2));
                                           fs::create_hard_link(test.pieceOf(1), test.pieceOf(2));
                                           return first + first + third;
                                       }},
                      JoinThroughLinks{"FirstPieceIsASymlinkToAPieceElsewhere",
                                       [](JoinFaultTest& test) {
                                           fs::create_directory(test.pieceFolder() / "elsewhere");
                                           const std::string real =
                                               test.pieceFolder() / "elsewhere/x_1.xst";
                                           fs::rename(test.pieceOf(1), real);
                                           fs::create_symlink(real, test.pieceOf(1));
                                           fs::remove(test.destinationFolder() / "a.bin");
                                           return setBytes;
                                       }}),
    [](const auto& row) { return row.param.name; });

// The disk fills up as the joined file passes what a file may take, around the middle: on the
// kernel's copy, on the read/write path where the kernel cannot copy (pieces of a MiB: the kernel
// copies only long runs), and where short pieces are gathered in memory and written together. The
// file system says it is btrfs, where the kernel's copy is taken.
struct FullDisk {
    std::string name;
    int pieces;
    std::size_t pieceLength;
    bool kernelCopyMissing;
    std::string failedCall;
};

void PrintTo(const FullDisk& disk, std::ostream* out) {
    *out << disk.name;
}

class JoinOnAFullDisk : public JoinFaultTest, public ::testing::WithParamInterface<FullDisk> {};

TEST_P(JoinOnAFullDisk, KeepsThePiecesAndWhatWasAtTheTarget) {
    const FullDisk& disk = GetParam();
    for (int n = 1; n <= disk.pieces; ++n)
        writeBytes(pieceOf(n), patternBytes(disk.pieceLength, n));
    const FolderContents before = contents();
    const faults::Reporting btrfs(faults::btrfs);
    std::optional<faults::Switch> noKernelCopy;
    if (disk.kernelCopyMissing) noKernelCopy.emplace(faults::kernelCopyMissing);
    const auto halfTheSet = static_cast<std::int64_t>(disk.pieces * disk.pieceLength / 2);
    const RunOutcome outcome = outcomeWithFileSizeLimit(halfTheSet, [&] {
        kit.click("Opt2");
        kit.click("Check1");
        join(firstPiece, out.path());
    });
    expectCleanFailure(outcome, {disk.failedCall, out.path(), "File too large"});
    expectNothingPartial(before, contents());
}

INSTANTIATE_TEST_SUITE_P(
    , JoinOnAFullDisk,
    ::testing::Values(FullDisk{"KernelCopy", 3, 1 << 20, false, "Cannot copy"},
                      FullDisk{"ReadWritePath", 3, 1 << 20, true, "Cannot write"},
                      FullDisk{"ShortPiecesGathered", 400, 4096, false, "Cannot write"}),
    [](const auto& row) { return row.param.name; });

// Where the file system honours "without blocking" for the reads of a piece opened so, every
// piece is still joined whole: through the kernel's copy, the read/write path and gathered alike.
TEST_F(JoinFaultTest, PiecesWhoseReadsWouldNotWaitAreJoinedWhole) {
    // The first two are long (each starts on a page: the kernel copies them), the others gathered.
    const std::vector<std::size_t> lengths = {std::size_t{1} << 20, 300000, 5000, 7};
    for (const bool kernelCopy : {true, false}) {
        TempFolder set, joined;
        std::string expected;
        for (std::size_t n = 1; n <= lengths.size(); ++n) {
            const std::string bytes = patternBytes(lengths[n - 1], static_cast<unsigned>(n));
            writeBytes(pieceIn(set.path(), "b.bin", static_cast<int>(n)), bytes);
            expected += bytes;
        }
        const faults::Switch refused(faults::nonBlockingReadsRefused);
        const faults::Reporting btrfs(faults::btrfs);
        std::optional<faults::Switch> noKernelCopy;
        if (!kernelCopy) noKernelCopy.emplace(faults::kernelCopyMissing);
        join(set / "b.bin_1.xst", joined.path());
        EXPECT_EQ(lastMessage(), text::jointDone) << lastMessage();
        EXPECT_EQ(bytesOf(joined / "b.bin"), expected) << (kernelCopy ? "kernel copy" : "buffer");
    }
}

// Pieces that cannot be deleted after a join: the join stands, and a second message says which
// piece stayed.
TEST_F(JoinFaultTest, PiecesThatCannotBeDeletedLeaveTheJoinedFileWhole) {
    const FolderContents before = contents();
    ImmutableFolder locked(dir.path());
    if (!locked.held()) GTEST_SKIP() << "the file system refuses the immutable flag";
    const RunOutcome outcome = joinToOut(true);
    ASSERT_EQ(outcome.messages.size(), 2u);
    EXPECT_EQ(outcome.messages[0], text::jointDone);
    EXPECT_NE(outcome.messages[1].find("Cannot delete " + pieceOf(1)), std::string::npos)
        << outcome.messages[1];
    EXPECT_TRUE(outcome.inputsEnabled);
    EXPECT_EQ(outcome.filesLeftOpen, 0);
    EXPECT_TRUE(outcome.nextRunWorks);
    expectNothingPartial(before, contents(), {{out / "a.bin", setBytes}});
}

}  // namespace
}  // namespace quorvel::testing
