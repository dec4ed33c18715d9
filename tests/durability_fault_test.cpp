#include <fcntl.h>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/texts.h"
#include "tests/support/fault_run.h"
#include "tests/support/system_call_faults.h"

namespace quorvel::testing {
namespace {

// Whether a file, or a folder's entries, had been put on the medium when the message came: by a
// flush of its own or of its whole file system.
bool onTheMedium(const faults::Flushed& flushed, const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return false;
    return flushed.files.count({status.st_dev, status.st_ino}) > 0 ||
           flushed.fileSystems.count(status.st_dev) > 0;
}

// Pieces shorter than a copy step are put on the medium together, longer ones each on its own.
class OnTheMediumBeforeTheMessage : public FaultTest,
                                    public ::testing::WithParamInterface<std::size_t> {
  protected:
    void SetUp() override {
        writeBytes(source, patternBytes(GetParam()));
        faults::flushed = {};
        kit.onMessage = [this] { atMessage = faults::flushed; };
    }
    const std::string source = dir / "a.bin";
    faults::Flushed atMessage;
};

TEST_P(OnTheMediumBeforeTheMessage, EveryPieceAndItsFolderEntry) {
    split(source, out.path(), "3");

    ASSERT_EQ(lastMessage(), text::splitDone);
    for (int n = 1; n <= 3; ++n) {
        const std::string piece = pieceIn(out.path(), "a.bin", n);
        EXPECT_TRUE(onTheMedium(atMessage, piece)) << piece;
    }
    EXPECT_TRUE(onTheMedium(atMessage, out.path()));
}

TEST_P(OnTheMediumBeforeTheMessage, TheJoinedFileAndItsFolderEntry) {
    split(source, dir.path(), "3");
    TempFolder joined;
    kit.messages.clear();

    join(piece("a.bin", 1), joined.path());

    ASSERT_EQ(lastMessage(), text::jointDone);
    EXPECT_TRUE(onTheMedium(atMessage, joined / "a.bin"));
    EXPECT_TRUE(onTheMedium(atMessage, joined.path()));
}

INSTANTIATE_TEST_SUITE_P(, OnTheMediumBeforeTheMessage,
                         ::testing::Values(std::size_t{3000}, std::size_t{3} << 20),
                         [](const auto& row) {
                             return row.param < 4096 ? "ShortPieces" : "LongPieces";
                         });

// A write into a file can wait while the file system puts the file's earlier bytes on the medium,
// as long as the disk takes; the window answers all the while, in a split and in a join alike.
TEST_F(FaultTest, TheWindowAnswersWhileAWriteWaitsForTheMedium) {
    const std::string bytes = patternBytes(std::size_t{8} << 20);  // pieces of several steps
    const std::string source = dir / "a.bin";
    writeBytes(source, bytes);
    kit.onRepaint = [](int) {
        if (faults::heldWrite.holding) faults::heldWrite.letGo = true;
    };
    for (const auto& run :
         std::vector<std::function<void()>>{[&] { split(source, out.path(), "2"); },
                                            [&] { join(out / "a.bin_1.xst", dir.path()); }}) {
        faults::heldWrite.held = faults::heldWrite.timedOut = 0;
        {
            const faults::Switch held(faults::heldWrite.armed);
            run();
        }
        EXPECT_EQ(faults::heldWrite.held, 1);
        EXPECT_EQ(faults::heldWrite.timedOut, 0) << "the window did not answer during the write";
    }
    EXPECT_EQ(kit.messages.size(), 2u);
    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_EQ(bytesOf(dir / "a.bin"), bytes);
}

// How much of a file is in the page cache.
double shareCached(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const auto length = static_cast<std::size_t>(std::filesystem::file_size(path));
    void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> pages((length + page - 1) / page);
    const bool known = mapped != MAP_FAILED && ::mincore(mapped, length, pages.data()) == 0;
    if (mapped != MAP_FAILED) ::munmap(mapped, length);
    if (!known) throw std::runtime_error("Cannot tell what of " + path + " is cached");
    return static_cast<double>(std::count_if(pages.begin(), pages.end(),
                                             [](unsigned char p) { return (p & 1) != 0; })) /
           static_cast<double>(pages.size());
}

// What a run has put on the medium leaves the page cache: the pieces of a large file and the
// file joined again do not crowd out what else is cached.
TEST_F(FaultTest, LongFilesWrittenLeaveTheCacheOnceOnTheMedium) {
    struct statfs fileSystem {};
    ASSERT_EQ(::statfs(out.path().c_str(), &fileSystem), 0);
    if (fileSystem.f_type == TMPFS_MAGIC) GTEST_SKIP() << "tmpfs keeps every file in memory";
    const std::string source = dir / "a.bin";
    writeBytes(source, patternBytes(std::size_t{8} << 20));  // pieces of several steps
    TempFolder joined;

    split(source, out.path(), "2");
    EXPECT_LT(shareCached(out / "a.bin_1.xst"), 0.25);
    EXPECT_LT(shareCached(out / "a.bin_2.xst"), 0.25);
    join(out / "a.bin_1.xst", joined.path());
    EXPECT_LT(shareCached(joined / "a.bin"), 0.25);

    EXPECT_EQ(kit.messages.size(), 2u);
    EXPECT_EQ(lastMessage(), text::jointDone);
}

// Short pieces go to the medium in batches while the next ones are written, long ones a step at a
// time; a failure there is the split's failure, whichever piece it comes from.
struct PiecesOfALength {
    std::size_t sourceLength;
    const char* parts;
    const char* name;
};

class TheDiskFailingToTakeAPiece : public FaultTest,
                                   public ::testing::WithParamInterface<PiecesOfALength> {};

TEST_P(TheDiskFailingToTakeAPiece, EndsTheSplitWithNoSetToJoin) {
    const std::string source = dir / "a.bin";
    writeBytes(source, patternBytes(GetParam().sourceLength));

    const RunOutcome outcome = outcomeOf([&] {
        const faults::Switch failure(faults::writeOutFails);
        split(source, out.path(), GetParam().parts);
    });

    expectCleanFailure(outcome, {out / "a.bin_1.xst", "Input/output error", text::splitIncomplete});
    for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
        EXPECT_NE(entry.path().filename(), "a.bin_1.xst");
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

// A write that writes nothing is a disk out of room, never a reason to try again forever.
TEST_F(FaultTest, AWriteOfNothingEndsTheSplitNamingThePiece) {
    const std::string source = dir / "a.bin";
    writeBytes(source, patternBytes(3000));
    const RunOutcome outcome = outcomeOf([&] {
        const faults::Switch nothing(faults::writesNothing);
        split(source, out.path(), "3");
    });
    expectCleanFailure(outcome,
                       {out / "a.bin_1.xst", "No space left on device", text::splitIncomplete});
    EXPECT_TRUE(out.names().empty());
}

INSTANTIATE_TEST_SUITE_P(, TheDiskFailingToTakeAPiece,
                         ::testing::Values(PiecesOfALength{3000, "300", "ShortPiecesInABatch"},
                                           PiecesOfALength{std::size_t{3} << 20, "3",
                                                           "LongPieces"}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace quorvel::testing
