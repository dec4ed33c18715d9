#include "platform/linux/mount_table.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// Lines as the kernel writes them for the FUSE drivers of removable media.
const std::string mountInfo =
    "22 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "46 27 0:40 / /media/stick rw,nosuid,nodev,relatime - fuse.fusefat fusefat rw,user_id=0\n"
    "47 27 7:1 / /media/card rw,nosuid,nodev,relatime - fuseblk /dev/loop1 rw,blksize=4096\n"
    "48 27 0:41 / /media/disk rw,relatime shared:7 master:3 - fuse /srv/ntfs.img rw,user_id=0\n"
    "49 27 0:42 / /media/ssh rw,relatime - fuse.sshfs ana@host: rw,user_id=0\n"
    "50 27 0:40 /sub /media/bound rw,relatime - fuse.fusefat fusefat rw,user_id=0\n";

TEST(MountTable, AFuseMountIsNamedByItsSubtypeElseByItsSource) {
    struct Case {
        unsigned major, minor;
        std::string name;
    };
    for (const Case& c :
         {Case{0, 40, "fusefat"}, Case{7, 1, "/dev/loop1"}, Case{0, 41, "/srv/ntfs.img"},
          Case{0, 42, "sshfs"}, Case{254, 1, "/dev/vda"}, Case{0, 99, ""}, Case{4, 0, ""}}) {
        EXPECT_EQ(fuseMountName(mountInfo, c.major, c.minor), c.name) << c.major << ":" << c.minor;
    }
    for (const char* cut :
         {"46 27 0:40 / /m rw - fuse.fusefat\n", "46 27 0:40 / /m rw -\n", "46 27 0:40\n"}) {
        EXPECT_EQ(fuseMountName(cut, 0, 40), "") << cut;
    }
}

}  // namespace
}  // namespace quorvel
