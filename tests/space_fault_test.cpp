#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>

#include "app/texts.h"
#include "tests/support/fault_run.h"

namespace fs = std::filesystem;

namespace quorvel::testing {
namespace {

const std::int64_t page = ::sysconf(_SC_PAGESIZE);

// A file system of 128 pages of its own, mounted on a fresh folder while the object lives, so
// that running out of space is real.
class SmallFileSystem {
  public:
    SmallFileSystem() {
        const std::string size = "size=" + std::to_string(128 * page);
        mounted_ = ::mount("tmpfs", folder_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                           size.c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) ::umount2(folder_.path().c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& path() const { return folder_.path(); }
    // Fills all but `pages` pages with a file of no use.
    void leaveFree(std::int64_t pages) const {
        struct statvfs status {};
        ::statvfs(path().c_str(), &status);
        const auto freeNow = static_cast<std::int64_t>(status.f_bavail * status.f_frsize) / page;
        writeBytes(folder_ / ("filler" + std::to_string(fillers_++)),
                   std::string(static_cast<std::size_t>((freeNow - pages) * page), 'f'));
    }

  private:
    TempFolder folder_;
    bool mounted_ = false;
    mutable int fillers_ = 0;
};

// Pieces of 25 pages each, written to or joined into the small file system.
class SpaceTest : public FaultTest {
  protected:
    void SetUp() override {
        if (!small.mounted()) GTEST_SKIP() << "cannot mount a small file system (not root?)";
    }
    FolderContents everything() const {
        FolderContents all = contents();
        for (const auto& entry : fs::directory_iterator(small.path())) {
            all[entry.path().string()] = bytesOf(entry.path().string());
        }
        return all;
    }
    const std::string bytes = patternBytes(static_cast<std::size_t>(50 * page));
    SmallFileSystem small;
};

struct Fit {
    std::int64_t extraBytes;  // beyond what exactly fits
    bool fits;
};

class SplitSpace : public SpaceTest, public ::testing::WithParamInterface<Fit> {};

// Pieces it replaces count as free once each new piece is whole: with two old 25-page pieces
// there, 25 free pages and one for the set's record are exactly enough, and one byte more, which
// takes a page, is not.
TEST_P(SplitSpace, CountsThePiecesItReplacesAsFree) {
    const std::string source = dir / "a.bin";
    const std::string sourceBytes = bytes + std::string(GetParam().extraBytes, 'x');
    writeBytes(source, sourceBytes);
    const std::string old = std::string(static_cast<std::size_t>(25 * page), 'o');
    writeBytes(small.path() + "/a.bin_1.xst", old);
    writeBytes(small.path() + "/a.bin_2.xst", old);
    small.leaveFree(26);
    const FolderContents before = everything();

    const RunOutcome outcome = outcomeOf([&] { split(source, small.path(), "2"); });

    const FolderContents pieces = piecesOf(small.path(), "a.bin", sourceBytes, 2);
    if (GetParam().fits) {
        EXPECT_EQ(outcome.messages, std::vector<std::string>{text::splitDone});
        for (const auto& [path, piece] : pieces) EXPECT_TRUE(bytesOf(path) == piece) << path;
    } else {
        expectCleanFailure(outcome, {"Not enough free space in " + small.path(),
                                     "the pieces of a.bin", "108.0 KiB needed", "104.0 KiB free"});
        expectNothingPartial(before, everything());
    }
}

INSTANTIATE_TEST_SUITE_P(, SplitSpace, ::testing::Values(Fit{0, true}, Fit{1, false}),
                         [](const auto& row) {
                             return row.param.fits ? "Fits" : "OneByteTooMany";
                         });

// The old first piece is removed before the first byte is written, so its space is there for
// every new piece: a set once split into one piece is split again into two on a disk with only
// its record's page to spare.
TEST_F(SpaceTest, AnOldFirstPieceIsFreeFromTheStart) {
    const std::string source = dir / "a.bin";
    writeBytes(source, bytes);
    writeBytes(small.path() + "/a.bin_1.xst", std::string(bytes.size(), 'o'));
    small.leaveFree(1);

    const RunOutcome outcome = outcomeOf([&] { split(source, small.path(), "2"); });

    EXPECT_EQ(outcome.messages, std::vector<std::string>{text::splitDone});
    for (const auto& [path, piece] : piecesOf(small.path(), "a.bin", bytes, 2)) {
        EXPECT_TRUE(bytesOf(path) == piece) << path;
    }
}

class JoinSpace : public SpaceTest, public ::testing::WithParamInterface<Fit> {};

// The file at the target stays until the joined file is complete, so it does not count as free.
TEST_P(JoinSpace, NeedsRoomForTheWholeJoinedFile) {
    const std::string setBytes = bytes + std::string(GetParam().extraBytes, 'x');
    for (const auto& [path, piece] : piecesOf(dir.path(), "a.bin", setBytes, 2)) {
        writeBytes(path, piece);
    }
    writeBytes(small.path() + "/a.bin", std::string(static_cast<std::size_t>(10 * page), 'o'));
    small.leaveFree(50);
    const FolderContents before = everything();

    const RunOutcome outcome = outcomeOf([&] {
        kit.click("Opt2");
        kit.click("Check1");
        join(piece("a.bin", 1), small.path());
    });

    if (GetParam().fits) {
        EXPECT_EQ(outcome.messages, std::vector<std::string>{text::jointDone});
        EXPECT_TRUE(bytesOf(small.path() + "/a.bin") == setBytes);
    } else {
        expectCleanFailure(outcome, {"Not enough free space in " + small.path(), "for a.bin",
                                     "204.0 KiB needed", "200.0 KiB free"});
        expectNothingPartial(before, everything());
    }
}

INSTANTIATE_TEST_SUITE_P(, JoinSpace, ::testing::Values(Fit{0, true}, Fit{1, false}),
                         [](const auto& row) {
                             return row.param.fits ? "Fits" : "OneByteTooMany";
                         });

// The check passes, then something else takes the space between two pieces: the disk is full
// for real and the write fails with the system's own reason.
TEST_F(SpaceTest, ADiskThatFillsUpBetweenTwoPiecesEndsTheSplitCleanly) {
    const std::string source = dir / "a.bin";
    writeBytes(source, bytes);
    kit.onYield = [&](int) { small.leaveFree(0); };
    const FolderContents before = everything();
    const RunOutcome outcome = outcomeOf([&] { split(source, small.path(), "2"); });
    expectCleanFailure(outcome, {small.path(), "No space left on device"});
    FolderContents after = everything();
    after.erase(small.path() + "/filler0");
    expectNothingPartial(before, after, piecesOf(small.path(), "a.bin", bytes, 2));
}

TEST_F(SpaceTest, ADiskThatFillsUpBetweenTwoPiecesEndsTheJoinCleanly) {
    for (const auto& [path, piece] : piecesOf(dir.path(), "a.bin", bytes, 2)) {
        writeBytes(path, piece);
    }
    kit.onYield = [&](int) { small.leaveFree(0); };
    const FolderContents before = everything();
    const RunOutcome outcome = outcomeOf([&] {
        kit.click("Opt2");
        kit.click("Check1");
        join(piece("a.bin", 1), small.path());
    });
    expectCleanFailure(outcome, {small.path(), "No space left on device"});
    FolderContents after = everything();
    after.erase(small.path() + "/filler0");
    expectNothingPartial(before, after);
}

}  // namespace
}  // namespace quorvel::testing
