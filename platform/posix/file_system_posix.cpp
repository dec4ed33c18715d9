#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>

#include "platform/file_system.h"
#include "platform/run_error.h"

namespace quorvel {

bool isOrdinaryFile(const std::string& path) { return ordinaryFileLength(path).has_value(); }

std::optional<std::int64_t> ordinaryFileLength(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return status.st_size;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) throwSystemError("Cannot delete", path);
}

void discardFile(const std::string& path) noexcept { ::unlink(path.c_str()); }

void replaceFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) throwSystemError("Cannot write", to);
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throwSystemError("Cannot open the folder", folder);
    const int result = ::fsync(fd);
    ::close(fd);
    if (result != 0) throwSystemError("Cannot write to the folder", folder);
}

std::optional<std::int64_t> freeSpace(const std::string& folder) {
    struct statvfs status {};
    if (::statvfs(folder.c_str(), &status) != 0) return std::nullopt;
    // What an ordinary user may take, as "df" shows it: the blocks kept for the system are not
    // counted on.
    return static_cast<std::int64_t>(status.f_bavail) * static_cast<std::int64_t>(status.f_frsize);
}

std::int64_t spaceFreedByReplacing(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1) {
        return 0;
    }
    return static_cast<std::int64_t>(status.st_blocks) * 512;  // st_blocks counts 512-byte units
}

}  // namespace quorvel
