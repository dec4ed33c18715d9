#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/texts.h"
#include "tests/support/fault_run.h"
#include "tests/support/system_call_faults.h"

namespace fs = std::filesystem;

namespace quorvel::testing {
namespace {

constexpr std::int64_t GiB = std::int64_t{1} << 30;
constexpr std::int64_t fatLimit = 4 * GiB - 1;
constexpr long exfatMagic = 0x2011BAB0;
const std::string fatLimitText = "holds no file over 4 GiB - 1 byte";

// A file of `length` bytes that takes no room on the disk: all hole.
void writeHole(const std::string& path, std::int64_t length) {
    writeBytes(path, "");
    fs::resize_file(path, static_cast<std::uintmax_t>(length));
}

// Large sources and pieces are holes, so the checks look at names only: nothing written means
// nothing new in the destination.
class LimitTest : public FaultTest {
  protected:
    RunOutcome splitHole(std::int64_t length, const std::string& parts,
                         const std::string& destination) {
        writeHole(dir / "a.bin", length);
        return outcomeOf([&] { split(dir / "a.bin", destination, parts); });
    }
    // On `stick`, with five clusters free: a source of `refused` bytes split into 3 is refused
    // with `refusal`, one of `taken` bytes split into 2 is written whole.
    void expectPiecesCountInWholeClusters(const std::string& stick, std::size_t refused,
                                          std::size_t taken,
                                          const std::vector<std::string>& refusal) {
        writeBytes(dir / "a.bin", patternBytes(refused));
        writeBytes(dir / "b.bin", patternBytes(taken));
        expectCleanFailure(outcomeOf([&] { split(dir / "a.bin", stick, "3"); }), refusal);
        const RunOutcome outcome = outcomeOf([&] { split(dir / "b.bin", stick, "2"); });
        EXPECT_EQ(outcome.messages, std::vector<std::string>{text::splitDone});
        EXPECT_EQ(bytesOf(stick + "/b.bin_2.xst"), patternBytes(taken).substr(taken / 2));
    }
    RunOutcome joinHoles(int pieces, std::int64_t pieceLength, const std::string& destination) {
        for (int n = 1; n <= pieces; ++n) writeHole(piece("a.bin", n), pieceLength);
        return outcomeOf([&] {
            kit.click("Opt2");
            kit.click("Check1");
            join(piece("a.bin", 1), destination);
        });
    }
};

struct OverLimit {
    std::int64_t length;
    std::string parts, firstPiece, fewestParts;
};

class SplitOntoFat : public LimitTest, public ::testing::WithParamInterface<OverLimit> {};

// Refused before the first byte, with the parts count that would do; the remainder, which the
// first piece carries, counts.
TEST_P(SplitOntoFat, APieceOverTheLargestFileIsRefusedWithTheFewestPartsThatFit) {
    const faults::Reporting fat({MSDOS_SUPER_MAGIC, 32768, 1000000, 2000000});
    const OverLimit& c = GetParam();
    const RunOutcome outcome = splitHole(c.length, c.parts, out.path());
    expectCleanFailure(outcome,
                       {"Cannot split a.bin into " + c.parts + " parts in " + out.path(),
                        "its file system (FAT) " + fatLimitText, "piece 1 would be " + c.firstPiece,
                        "Split it into at least " + c.fewestParts + " parts."});
    EXPECT_TRUE(out.names().empty());
}

INSTANTIATE_TEST_SUITE_P(, SplitOntoFat,
                         ::testing::Values(OverLimit{8 * GiB, "2", "4.0 GiB", "3"},
                                           // 4 GiB - 2 bytes each, and 2 more in piece 1
                                           OverLimit{3 * fatLimit - 1, "3", "4.0 GiB", "4"},
                                           // 4 GiB each: one byte over
                                           OverLimit{40 * GiB, "9", "4.5 GiB", "11"}),
                         [](const auto& row) { return "Parts" + row.param.parts; });

// A piece of exactly the largest file passes that check and meets the next one, as does any
// piece on exFAT.
TEST_F(LimitTest, PiecesUpToTheLargestFileAndAnySizeOnExfatPassTheLimit) {
    for (const long type : {long{MSDOS_SUPER_MAGIC}, exfatMagic}) {
        const faults::Reporting full({type, 4096, 3, 6});  // room for the next run
        const std::int64_t length = type == exfatMagic ? 8 * GiB : 2 * fatLimit;
        const RunOutcome outcome = splitHole(length, "2", out.path());
        expectCleanFailure(outcome, {"Not enough free space in " + out.path()});
        EXPECT_TRUE(out.names().empty());
    }
}

TEST_F(LimitTest, AJoinedFileOverTheLargestFileIsRefusedAndThePiecesStay) {
    const faults::Reporting fat({MSDOS_SUPER_MAGIC, 32768, 1000000, 2000000});
    const RunOutcome outcome = joinHoles(3, 2 * GiB, out.path());
    expectCleanFailure(
        outcome, {"Cannot join a.bin in " + out.path(), "its file system (FAT) " + fatLimitText,
                  "the joined file would be 6.0 GiB."});
    EXPECT_TRUE(out.names().empty());
    EXPECT_EQ(dir.names().size(), 3u);
}

struct Clusters {
    std::uint64_t free;
    bool fits;
};

class ClusterRounding : public LimitTest, public ::testing::WithParamInterface<Clusters> {};

// Three pieces of 40,000 bytes take two 32 KiB clusters each: 6 clusters, though their bytes
// would fit in 4; the set's record takes one more.
TEST_P(ClusterRounding, EachPieceCountsInWholeClusters) {
    const faults::Reporting fat({MSDOS_SUPER_MAGIC, 32768, GetParam().free, 100000});
    const std::string bytes = patternBytes(120000);
    writeBytes(dir / "a.bin", bytes);
    const RunOutcome outcome = outcomeOf([&] { split(dir / "a.bin", out.path(), "3"); });
    if (GetParam().fits) {
        EXPECT_EQ(outcome.messages, std::vector<std::string>{text::splitDone});
        EXPECT_EQ(out.names().size(), 4u);
    } else {
        expectCleanFailure(outcome, {"224.0 KiB needed", "192.0 KiB free"});
        EXPECT_TRUE(out.names().empty());
    }
}

TEST_P(ClusterRounding, TheJoinedFileCountsInWholeClusters) {
    const faults::Reporting fat({MSDOS_SUPER_MAGIC, 32768, GetParam().free - 3, 100000});
    const std::string bytes = patternBytes(120000);
    for (const auto& [path, slice] : piecesOf(dir.path(), "a.bin", bytes, 3)) {
        writeBytes(path, slice);
    }
    const RunOutcome outcome = outcomeOf([&] { join(piece("a.bin", 1), out.path()); });
    if (GetParam().fits) {
        EXPECT_EQ(outcome.messages, std::vector<std::string>{text::jointDone});
        EXPECT_TRUE(bytesOf(out / "a.bin") == bytes);
    } else {
        expectCleanFailure(outcome, {"128.0 KiB needed", "96.0 KiB free"});
        EXPECT_TRUE(out.names().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(, ClusterRounding,
                         ::testing::Values(Clusters{6, false}, Clusters{7, true}),
                         [](const auto& row) {
                             return row.param.fits ? "Fits" : "BytesFitClustersDoNot";
                         });

// No blocks at all is a file system that does not tell, not a full one.
TEST_F(LimitTest, AFileSystemThatReportsNoSizeIsNotTakenForFull) {
    const faults::Reporting silent({MSDOS_SUPER_MAGIC, 1024, 0, 0});
    writeBytes(dir / "a.bin", patternBytes(3000));
    const RunOutcome outcome = outcomeOf([&] { split(dir / "a.bin", out.path(), "3"); });
    EXPECT_EQ(outcome.messages, std::vector<std::string>{text::splitDone});
}

// The same on real file systems: an image formatted and mounted, mostly through its FUSE driver,
// as removable media are where the kernel has no driver of its own.
class MountedImage {
  public:
    // `format` and `mount` are shell commands; IMAGE, DEVICE and FOLDER stand for the paths.
    MountedImage(const std::string& format, const std::string& mount, bool onLoopDevice,
                 std::int64_t size = 64 << 20) {
        if (::geteuid() != 0) return;
        const std::string image = folder_ / "image";
        writeHole(image, size);
        std::string device = image;
        if (onLoopDevice) {
            device = output("losetup -f --show " + image);
            if (device.empty()) return;
            loopDevice_ = device;
        }
        ::mkdir(mountPoint().c_str(), 0755);
        mounted_ = run(substituted(format, device)) && run(substituted(mount, device));
    }
    ~MountedImage() {
        if (mounted_) ::umount2(mountPoint().c_str(), MNT_DETACH);
        if (!loopDevice_.empty()) run("losetup -d " + loopDevice_);
    }
    MountedImage(const MountedImage&) = delete;
    MountedImage& operator=(const MountedImage&) = delete;

    bool mounted() const { return mounted_; }
    std::string mountPoint() const { return folder_ / "mounted"; }
    // Fills all but `units` allocation units with a file of no use.
    void leaveFree(std::int64_t units) const {
        struct statfs status {};
        ::statfs(mountPoint().c_str(), &status);
        const auto bytes = (static_cast<std::int64_t>(status.f_bavail) - units) * status.f_bsize;
        writeBytes(mountPoint() + "/filler", std::string(static_cast<std::size_t>(bytes), 'f'));
    }

  private:
    static bool run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }
    static std::string output(const std::string& command) {
        std::string text;
        if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
            ::pclose(pipe);
        }
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    std::string substituted(std::string command, const std::string& device) const {
        for (const auto& [name, value] :
             {std::pair<std::string, std::string>{"IMAGE", folder_ / "image"},
              {"DEVICE", device},
              {"FOLDER", mountPoint()}}) {
            for (auto at = command.find(name); at != std::string::npos; at = command.find(name)) {
                command.replace(at, name.size(), value);
            }
        }
        return command;
    }

    TempFolder folder_;
    std::string loopDevice_;
    bool mounted_ = false;
};

#define SKIP_UNLESS_MOUNTED(image, what)                        \
    if (!(image).mounted()) {                                   \
        GTEST_SKIP() << "cannot mount " what                    \
                        " (needs root, /dev/fuse and scripts/"  \
                        "install-deps.sh's file system tools)"; \
    }

// FAT32 with 512-byte clusters, on which fusefat reports no size at all.
MountedImage fat32() {
    return MountedImage("mkfs.vfat -F 32 -S 512 -s 1 IMAGE", "fusefat -o rw+ IMAGE FOLDER", false);
}

TEST_F(LimitTest, OnFatThroughFusefatTheLargestFileIsKnownAndNoSizeIsNotFull) {
    const MountedImage fat = fat32();
    SKIP_UNLESS_MOUNTED(fat, "a FAT32 image through fusefat");
    const std::string stick = fat.mountPoint();

    expectCleanFailure(splitHole(8 * GiB, "2", stick),
                       {"its file system (FAT (fusefat)) " + fatLimitText, "at least 3 parts"});
    EXPECT_TRUE(fs::is_empty(stick));
    expectCleanFailure(joinHoles(3, 2 * GiB, stick), {"Cannot join a.bin in " + stick});
    EXPECT_TRUE(fs::is_empty(stick));

    fs::remove(dir / "a.bin");
    const std::string bytes = patternBytes(30000);
    writeBytes(dir / "b.bin", bytes);
    const RunOutcome outcome = outcomeOf([&] {
        kit.click("Opt1");
        split(dir / "b.bin", stick, "3");
    });
    EXPECT_EQ(outcome.messages, std::vector<std::string>{text::splitDone});
    for (const auto& [path, slice] : piecesOf(stick, "b.bin", bytes, 3)) {
        EXPECT_TRUE(bytesOf(path) == slice) << path;
    }
}

// fusefat reports 1 KiB blocks on 4 KiB clusters: five clusters free take two pieces of 4,000
// bytes, not three of 5,000 (two clusters each), whose bytes and kibibytes would fit too.
TEST_F(LimitTest, OnFatThroughFusefatThePiecesCountInWholeClusters) {
    const MountedImage fat("mkfs.vfat -F 32 -S 512 -s 8 IMAGE", "fusefat -o rw+ IMAGE FOLDER",
                           false);
    SKIP_UNLESS_MOUNTED(fat, "a FAT32 image through fusefat");
    fat.leaveFree(20);
    expectPiecesCountInWholeClusters(fat.mountPoint(), 15000, 8000,
                                     {"28.0 KiB needed", "20.0 KiB free"});
}

// exFAT and NTFS hold files of any size: a large split there meets the free-space check only.
TEST_F(LimitTest, OnExfatAndNtfsThroughFuseNoFileIsTooLarge) {
    const MountedImage exfat("mkfs.exfat DEVICE", "mount.exfat-fuse DEVICE FOLDER", true);
    const MountedImage ntfs("mkfs.ntfs -F -Q DEVICE", "ntfs-3g DEVICE FOLDER", true);
    SKIP_UNLESS_MOUNTED(exfat, "an exFAT image through exfat-fuse");
    SKIP_UNLESS_MOUNTED(ntfs, "an NTFS image through ntfs-3g");
    for (const MountedImage* image : {&exfat, &ntfs}) {
        const RunOutcome outcome = splitHole(8 * GiB, "2", image->mountPoint());
        expectCleanFailure(outcome, {"Not enough free space in " + image->mountPoint()});
    }
}

// 32 KiB clusters: five free take two pieces of 50,000 bytes (two clusters each), not three of
// 40,000, whose bytes would fit too.
TEST_F(LimitTest, OnExfatThroughFuseThePiecesCountInWholeClusters) {
    const MountedImage exfat("mkfs.exfat -c 32K DEVICE", "mount.exfat-fuse DEVICE FOLDER", true);
    SKIP_UNLESS_MOUNTED(exfat, "an exFAT image through exfat-fuse");
    exfat.leaveFree(5);
    expectPiecesCountInWholeClusters(exfat.mountPoint(), 120000, 100000,
                                     {"224.0 KiB needed", "160.0 KiB free"});
}

// True when every block of the file at `path` is shared with another file, as a clone leaves
// them; false for a file with no blocks.
bool sharesAllItsBlocks(const std::string& path) {
    constexpr unsigned mostExtents = 64;
    std::vector<char> request(sizeof(fiemap) + mostExtents * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(request.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = mostExtents;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool mapped = fd >= 0 && ::ioctl(fd, FS_IOC_FIEMAP, map) == 0;
    if (fd >= 0) ::close(fd);
    if (!mapped || map->fm_mapped_extents == 0) return false;
    for (unsigned n = 0; n < map->fm_mapped_extents; ++n) {
        if (!(map->fm_extents[n].fe_flags & FIEMAP_EXTENT_SHARED)) return false;
    }
    return true;
}

// Where the file system shares blocks between files, a split into pieces that start on whole
// blocks, and their join on the same file system, write no byte: the pieces and the joined file
// take the source's blocks, and read back the same.
class SharedBlocksTest : public FaultTest,
                         public ::testing::WithParamInterface<std::pair<std::string, std::string>> {
};

TEST_P(SharedBlocksTest, PiecesAndTheJoinedFileShareTheSourcesBlocks) {
    const MountedImage image(GetParam().second, "mount DEVICE FOLDER", true, 320 << 20);
    SKIP_UNLESS_MOUNTED(image, "a loop image of this file system");
    const std::string disk = image.mountPoint();
    fs::create_directories(disk + "/pieces");
    fs::create_directories(disk + "/joined");
    const std::string bytes = patternBytes(8 << 20);
    writeBytes(disk + "/a.bin", bytes);

    const RunOutcome splitRun = outcomeOf([&] { split(disk + "/a.bin", disk + "/pieces", "2"); });
    EXPECT_EQ(splitRun.messages, std::vector<std::string>{text::splitDone});
    for (const auto& [path, slice] : piecesOf(disk + "/pieces", "a.bin", bytes, 2)) {
        EXPECT_TRUE(bytesOf(path) == slice) << path;
        EXPECT_TRUE(sharesAllItsBlocks(path)) << path;
    }
    const RunOutcome joinRun = outcomeOf([&] {
        kit.click("Opt2");
        join(disk + "/pieces/a.bin_1.xst", disk + "/joined");
    });
    EXPECT_EQ(joinRun.messages, std::vector<std::string>{text::jointDone});
    EXPECT_TRUE(bytesOf(disk + "/joined/a.bin") == bytes);
    EXPECT_TRUE(sharesAllItsBlocks(disk + "/joined/a.bin"));
}

INSTANTIATE_TEST_SUITE_P(
    , SharedBlocksTest,
    ::testing::Values(std::pair<std::string, std::string>{"Btrfs", "mkfs.btrfs -q DEVICE"},
                      std::pair<std::string, std::string>{"Xfs", "mkfs.xfs -q DEVICE"}),
    [](const auto& row) { return row.param.first; });

struct FileSystemImage {
    const char* name;
    const char* format;
    const char* mount;
    bool onLoopDevice;
    std::int64_t size;
};

// On a file system that tells letter case apart, a split deletes only the names spelt exactly as
// its own pieces and record: an older set of A.BIN beside a.bin stays whole, and each joins.
class CaseTwins : public FaultTest, public ::testing::WithParamInterface<FileSystemImage> {};

TEST_P(CaseTwins, ASplitLeavesTheSetOfAFileSpeltOtherwiseWhole) {
    const FileSystemImage& kind = GetParam();
    const MountedImage image(kind.format, kind.mount, kind.onLoopDevice, kind.size);
    SKIP_UNLESS_MOUNTED(image, "an image of this file system");
    const std::string disk = image.mountPoint();
    const std::string older = patternBytes(5005, 2), newer = patternBytes(3001, 3);
    writeBytes(disk + "/A.BIN", older);
    split(disk + "/A.BIN", disk, "5");
    ASSERT_EQ(lastMessage(), text::splitDone);
    for (int n = 1; n <= 5; ++n) {
        fs::rename(pieceIn(disk, "A.BIN", n), pieceIn(disk, "A.BIN", n, ".XST"));
    }
    fs::rename(disk + "/A.BIN_set.sha256", disk + "/A.BIN_SET.SHA256");
    fs::remove(disk + "/A.BIN");
    writeBytes(disk + "/a.bin", newer);

    split(disk + "/a.bin", disk, "3");

    EXPECT_EQ(lastMessage(), text::splitDone);
    for (int n = 1; n <= 5; ++n) EXPECT_TRUE(exists(pieceIn(disk, "A.BIN", n, ".XST"))) << n;
    EXPECT_TRUE(exists(disk + "/A.BIN_SET.SHA256"));
    TempFolder joinedOlder, joinedNewer;
    join(pieceIn(disk, "A.BIN", 1, ".XST"), joinedOlder.path());
    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_TRUE(bytesOf(joinedOlder / "A.BIN") == older);
    join(pieceIn(disk, "a.bin", 1), joinedNewer.path());
    EXPECT_EQ(lastMessage(), text::jointDone);
    EXPECT_TRUE(bytesOf(joinedNewer / "a.bin") == newer);
}

INSTANTIATE_TEST_SUITE_P(
    , CaseTwins,
    ::testing::Values(
        FileSystemImage{"Ext4", "mkfs.ext4 -q DEVICE", "mount DEVICE FOLDER", true, 64 << 20},
        FileSystemImage{"Btrfs", "mkfs.btrfs -q DEVICE", "mount DEVICE FOLDER", true, 320 << 20},
        FileSystemImage{"Xfs", "mkfs.xfs -q DEVICE", "mount DEVICE FOLDER", true, 320 << 20},
        FileSystemImage{"Tmpfs", "true", "mount -t tmpfs -o size=16m tmpfs FOLDER", false, 1 << 20},
        FileSystemImage{"Ntfs", "mkfs.ntfs -F -Q DEVICE", "ntfs-3g DEVICE FOLDER", true, 64 << 20}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace quorvel::testing
