#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/posix/unique_fd.h"
#include "platform/run_error.h"

namespace quorvel {

void forEachFolderEntry(const std::string& folder,
                        const std::function<void(std::string_view name)>& take) {
    const DirStream dir(::opendir(folder.c_str()));
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") take(name);
    }
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) throwSystemError("Cannot delete", path);
}

void discardFile(const std::string& path) noexcept {
    ::unlink(path.c_str());
}

void syncFolder(const std::string& folder) {
    const UniqueFd entries(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!entries) throwSystemError("Cannot open the folder", folder);
    if (::fsync(entries.get()) != 0) throwSystemError("Cannot write to the folder", folder);
}

}  // namespace quorvel
