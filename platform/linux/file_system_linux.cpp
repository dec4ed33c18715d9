#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/file_system.h"
#include "platform/linux/mount_table.h"

namespace quorvel {
namespace {

// The FUSE driver the mount table names for `folder`'s file system; empty for any other.
std::string fuseDriverOf(const std::string& folder, const struct statfs& status) {
    struct stat folderStatus {};
    if (status.f_type != FUSE_SUPER_MAGIC || ::stat(folder.c_str(), &folderStatus) != 0) return "";
    std::ifstream table("/proc/self/mountinfo");
    const std::string text{std::istreambuf_iterator<char>(table), {}};
    return fuseMountName(text, major(folderStatus.st_dev), minor(folderStatus.st_dev));
}

// fusefat counts its blocks in 1 KiB whatever the cluster size, and gives the number of clusters
// as its count of inodes: the cluster is the size over that count, a power of two.
std::int64_t fusefatCluster(const struct statfs& status, std::int64_t unit) {
    if (status.f_files == 0 || status.f_blocks == 0) return unit;
    const auto bytes = static_cast<std::int64_t>(status.f_blocks) * unit;
    std::int64_t cluster = unit;
    while (cluster * static_cast<std::int64_t>(status.f_files) < bytes) cluster *= 2;
    return cluster;
}

}  // namespace

std::optional<FileSystemFacts> fileSystemOf(const std::string& folder) {
    struct statfs status {};
    if (::statfs(folder.c_str(), &status) != 0) return std::nullopt;
    FileSystemFacts facts;
    // The fragment size is the unit the block counts are in and a file's length is rounded to.
    const auto unit =
        static_cast<std::int64_t>(status.f_frsize > 0 ? status.f_frsize : status.f_bsize);
    facts.allocationUnit = std::max<std::int64_t>(unit, 1);
    // What an ordinary user may take, as "df" shows it: the blocks kept for the system are not
    // counted on. No blocks at all is a file system that does not say (fusefat on 512-byte
    // clusters), not a full one.
    if (status.f_blocks > 0) {
        facts.freeBytes = static_cast<std::int64_t>(status.f_bavail) * facts.allocationUnit;
    }
    if (status.f_type == MSDOS_SUPER_MAGIC) {
        facts.sizeLimit = FileSizeLimit{"FAT", fatLargestFile};
    } else if (fuseDriverOf(folder, status) == "fusefat") {
        facts.sizeLimit = FileSizeLimit{"FAT (fusefat)", fatLargestFile};
        facts.allocationUnit = fusefatCluster(status, facts.allocationUnit);
    }
    return facts;
}

}  // namespace quorvel
