#pragma once

#include <dirent.h>
#include <unistd.h>

#include "platform/owned.h"

namespace quorvel {

struct FdTraits {
    using Handle = int;
    static int none() { return -1; }
    static bool holds(int fd) { return fd >= 0; }
    static void giveBack(int fd) { ::close(fd); }
};
// A descriptor.
using UniqueFd = Owned<FdTraits>;

struct DirTraits {
    using Handle = DIR*;
    static DIR* none() { return nullptr; }
    static bool holds(DIR* dir) { return dir != nullptr; }
    static void giveBack(DIR* dir) { ::closedir(dir); }
};
// A folder's listing (opendir).
using DirStream = Owned<DirTraits>;

}  // namespace quorvel
