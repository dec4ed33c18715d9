#include <filesystem>
#include <memory>

#include "app/texts.h"
#include "tests/support/fault_run.h"
#include "tests/support/system_call_faults.h"

namespace fs = std::filesystem;

namespace quorvel::testing {
namespace {

const std::string sourceBytes = patternBytes(3000);

// A split of `dir`/a.bin (3,000 bytes) into 3 parts, to `out` unless a fault says otherwise.
class SplitFaultTest : public FaultTest {
  protected:
    void SetUp() override { writeBytes(source, sourceBytes); }
    RunOutcome splitToOut() {
        return outcomeOf([&] { split(source, destination, "3"); });
    }
    FolderContents completePieces() const { return piecesOf(out.path(), "a.bin", sourceBytes, 3); }

  public:
    const std::string source = dir / "a.bin";
    std::string destination = out.path();
    std::unique_ptr<ImmutableFolder> lock;
    TempFolder& destinationFolder() { return out; }
    TempFolder& sourceFolder() { return dir; }
    HeadlessToolkit& toolkit() { return kit; }
};

struct SplitFault {
    std::string name;
    // Makes the fault (now, or at a yield) and gives the texts the message must hold.
    std::function<std::vector<std::string>(SplitFaultTest&)> make;
    bool changesTheSource = false;
};

void PrintTo(const SplitFault& fault, std::ostream* out) {
    *out << fault.name;
}

class SplitFaults : public SplitFaultTest, public ::testing::WithParamInterface<SplitFault> {};

TEST_P(SplitFaults, EndWithOneMessageAndNoPartialPiece) {
    const std::vector<std::string> mentions = GetParam().make(*this);
    if (lock && !lock->held()) GTEST_SKIP() << "the file system refuses the immutable flag";
    FolderContents before = contents();
    const RunOutcome outcome = splitToOut();
    lock.reset();
    expectCleanFailure(outcome, mentions);
    FolderContents after = contents();
    if (GetParam().changesTheSource) before.erase(source), after.erase(source);
    expectNothingPartial(before, after, completePieces());
}

INSTANTIATE_TEST_SUITE_P(
    , SplitFaults,
    ::testing::Values(
        SplitFault{"DestinationIsAFile",
                   [](SplitFaultTest& test) -> std::vector<std::string> {
                       test.destination = test.sourceFolder() / "not-a-folder";
                       writeBytes(test.destination, "a file");
                       return {test.destination, "Not a directory"};
                   }},
        SplitFault{"DestinationTakesNoNewFile",
                   [](SplitFaultTest& test) -> std::vector<std::string> {
                       test.lock = std::make_unique<ImmutableFolder>(test.destination);
                       return {test.destination, "Operation not permitted"};
                   }},
        SplitFault{"SecondPieceNameIsAFolder",
                   [](SplitFaultTest& test) -> std::vector<std::string> {
                       const std::string folder = test.destinationFolder() / "a.bin_2.xst";
                       fs::create_directory(folder);
                       return {folder, "Is a directory"};
                   }},
        SplitFault{"FirstPieceNameIsAHardLinkToTheSource",
                   [](SplitFaultTest& test) -> std::vector<std::string> {
                       fs::create_hard_link(test.source, test.destinationFolder() / "a.bin_1.xst");
                       return {"a.bin_1.xst", "source file itself"};
                   }},
        SplitFault{"SourceGrowsBetweenTwoPieces",
                   [](SplitFaultTest& test) -> std::vector<std::string> {
                       test.toolkit().onYield = [&test](int) {
                           writeBytes(test.source, sourceBytes + "+");
                       };
                       return {test.source, "changed during the split", "3000", "3001"};
                   },
                   true},
        SplitFault{"SourceLosesItsLastByteBetweenTwoPieces",
                   [](SplitFaultTest& test) -> std::vector<std::string> {
                       test.toolkit().onYield = [&test](int) {
                           fs::resize_file(test.source, 2999);
                       };
                       return {test.source, "changed during the split"};
                   },
                   true}),
    [](const auto& row) { return row.param.name; });

// Faults the run gets through: it reports success with every piece whole, and the files around
// it stay as they were.
struct SplitSurvival {
    std::string name;
    // Makes the fault and gives the files that must keep the bytes they had.
    std::function<std::vector<std::string>(SplitFaultTest&)> make;
    std::string splitBytes = sourceBytes;  // what the pieces hold
};

void PrintTo(const SplitSurvival& survival, std::ostream* out) {
    *out << survival.name;
}

class SplitSurvivals : public SplitFaultTest,
                       public ::testing::WithParamInterface<SplitSurvival> {};

TEST_P(SplitSurvivals, EndWithWholePiecesAndNothingElseTouched) {
    const std::vector<std::string> untouched = GetParam().make(*this);
    FolderContents kept;
    for (const std::string& path : untouched) kept[path] = bytesOf(path);
    const RunOutcome outcome = splitToOut();
    EXPECT_EQ(outcome.messages, std::vector<std::string>{text::splitDone});
    EXPECT_EQ(outcome.filesLeftOpen, 0);
    EXPECT_TRUE(outcome.nextRunWorks);
    const FolderContents after = contents();
    for (const auto& [path, bytes] : piecesOf(out.path(), "a.bin", GetParam().splitBytes, 3)) {
        EXPECT_EQ(after.count(path) ? after.at(path) : "(none)", bytes) << path;
    }
    for (const auto& [path, bytes] : kept) EXPECT_EQ(bytesOf(path), bytes) << path;
    EXPECT_EQ(out.names().size(), 4u);  // the pieces and their record
}

INSTANTIATE_TEST_SUITE_P(
    , SplitSurvivals,
    ::testing::Values(
        SplitSurvival{"SourceRemovedBetweenTwoPieces",
                      [](SplitFaultTest& test) -> std::vector<std::string> {
                          test.toolkit().onYield = [&test](int) { fs::remove(test.source); };
                          return {};
                      }},
        SplitSurvival{"SourceTruncatedBetweenThePickAndTheStart",
                      [](SplitFaultTest& test) -> std::vector<std::string> {
                          fs::resize_file(test.source, 2000);
                          return {test.source};
                      },
                      sourceBytes.substr(0, 2000)},
        SplitSurvival{"SourceGrownBetweenThePickAndTheStart",
                      [](SplitFaultTest& test) -> std::vector<std::string> {
                          writeBytes(test.source, sourceBytes + sourceBytes);
                          return {test.source};
                      },
                      sourceBytes + sourceBytes},
        SplitSurvival{"SecondPieceNameIsASymlinkToTheFirst",
                      [](SplitFaultTest& test) -> std::vector<std::string> {
                          fs::create_symlink("a.bin_1.xst",
                                             test.destinationFolder() / "a.bin_2.xst");
                          return {test.source};
                      }},
        SplitSurvival{"PieceNameIsAHardLinkToAnotherFile",
                      [](SplitFaultTest& test) -> std::vector<std::string> {
                          const std::string other = test.sourceFolder() / "letter.txt";
                          writeBytes(other, "someone's letter");
                          fs::create_hard_link(other, test.destinationFolder() / "a.bin_3.xst");
                          return {test.source, other};
                      }},
        SplitSurvival{"PieceNameIsASymlinkToWhereNothingIsYet",
                      [](SplitFaultTest& test) -> std::vector<std::string> {
                          fs::create_symlink(test.sourceFolder() / "elsewhere",
                                             test.destinationFolder() / "a.bin_1.xst");
                          test.toolkit().onYield = [&test](int) {
                              EXPECT_FALSE(exists(test.sourceFolder() / "elsewhere"));
                          };
                          return {test.source};
                      }}),
    [](const auto& row) { return row.param.name; });

// The disk fills up while the first piece is written (its size passes what a file may take),
// on the kernel's copy (the file system says it is btrfs) and on the read/write path where the
// kernel cannot copy. Pieces of a MiB: the kernel copies only long runs.
class SplitOnAFullDisk : public SplitFaultTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SplitOnAFullDisk, RemovesThePieceAndLeavesNoSetToJoin) {
    writeBytes(source, patternBytes(3 << 20));
    const std::string oldPiece = out / "a.bin_1.xst";
    writeBytes(oldPiece, "a piece from an earlier split");
    writeBytes(out / "a.bin_2.xst", "another piece from it");
    FolderContents before = contents();
    const faults::Reporting btrfs(faults::btrfs);
    std::optional<faults::Switch> noKernelCopy;
    if (GetParam()) noKernelCopy.emplace(faults::kernelCopyMissing);
    const RunOutcome outcome =
        outcomeWithFileSizeLimit(512, [&] { split(source, out.path(), "3"); });
    // The kernel's copy and the read/write path each say what they were doing.
    expectCleanFailure(outcome, {GetParam() ? "Cannot write" : "Cannot copy", out / "a.bin_1.xst",
                                 "File too large", text::splitIncomplete});
    // The old first piece went before the first new byte: old and new pieces make no set.
    EXPECT_FALSE(exists(oldPiece));
    before.erase(oldPiece);
    expectNothingPartial(before, contents());
}

INSTANTIATE_TEST_SUITE_P(, SplitOnAFullDisk, ::testing::Bool(), [](const auto& row) {
    return row.param ? "ReadWritePath" : "KernelCopy";
});

}  // namespace
}  // namespace quorvel::testing
