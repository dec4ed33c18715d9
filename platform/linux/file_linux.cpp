#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/folder.h"
#include "platform/posix/unique_fd.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

struct stat statusOf(int fd, const std::string& path) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) throwSystemError("Cannot read the attributes of", path);
    return status;
}

// Opened without blocking, so a pipe or device under a file's name cannot hang the window, and
// refused unless it is an ordinary file; `name` is looked up from the folder `at`. Tells its
// length too. The flag is left on: an ordinary file's reads ignore it, and a call to clear it
// would cost as much as the open for each of many small pieces.
int openOrdinary(int at, const char* name, const std::string& path, std::int64_t& length) {
    UniqueFd fd(::openat(at, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) throwSystemError("Cannot open", path);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        throw RunError("Cannot open " + path + ": it is not an ordinary file.");
    }
    length = status.st_size;
    return fd.release();
}

// `name` in `folder` as the system is to look it up from `at`: alone from the open folder, or,
// where the folder could not be opened (AT_FDCWD), by its whole path, which then fails as it
// would have.
std::string lookedUp(int at, const Folder& folder, const std::string& name) {
    return at == AT_FDCWD ? folder.pathOf(name) : name;
}

std::optional<std::int64_t> ordinaryFileLengthAt(int at, const std::string& name) {
    struct stat status {};
    if (name.empty() || ::fstatat(at, name.c_str(), &status, 0) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return status.st_size;
}

}  // namespace

File::File(NativeHandle handle, std::string path, std::string name)
    : handle_(handle), path_(std::move(path)), name_(std::move(name)) {}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)),
      path_(std::move(other.path_)),
      name_(std::move(other.name_)),
      lengthWhenOpened_(other.lengthWhenOpened_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) ::close(handle_);
        handle_ = std::exchange(other.handle_, -1);
        path_ = std::move(other.path_);
        name_ = std::move(other.name_);
        lengthWhenOpened_ = other.lengthWhenOpened_;
    }
    return *this;
}

File::~File() {
    if (handle_ >= 0) ::close(handle_);
}

File File::openForReading(const std::string& path) {
    std::int64_t length = 0;
    File file(openOrdinary(AT_FDCWD, path.c_str(), path, length), path, path);
    file.lengthWhenOpened_ = length;
    return file;
}

// pread() moves no position, so a duplicate serves.
File File::reopenedForReading() const {
    const int duplicate = ::fcntl(handle_, F_DUPFD_CLOEXEC, 0);
    if (duplicate < 0) throwSystemError("Cannot open", name_);
    return File(duplicate, path_, name_);
}

std::int64_t File::length() const {
    return statusOf(handle_, name_).st_size;
}

FileIdentity File::identity() const {
    const struct stat status = statusOf(handle_, name_);
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

unsigned File::permissions() const {
    return statusOf(handle_, name_).st_mode & 0777;
}

void File::flush() {
    if (::fsync(handle_) != 0) throwSystemError("Cannot write", name_);
}

void File::close() {
    const int fd = std::exchange(handle_, -1);
    if (fd >= 0 && ::close(fd) != 0) throwSystemError("Cannot write", name_);
}

bool isOrdinaryFile(const std::string& path) {
    return ordinaryFileLength(path).has_value();
}

std::optional<std::int64_t> ordinaryFileLength(const std::string& path) {
    return ordinaryFileLengthAt(AT_FDCWD, path);
}

// Held by a descriptor that serves only to look names up from.
Folder::Folder(std::string leading) : leading_(std::move(leading)) {
    handle_ = ::open(leading_.empty() ? "." : leading_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (handle_ < 0) handle_ = AT_FDCWD;
}

Folder::~Folder() {
    if (handle_ != AT_FDCWD) ::close(handle_);
}

std::optional<std::int64_t> Folder::ordinaryFileLength(const std::string& name) const {
    return ordinaryFileLengthAt(handle_, lookedUp(handle_, *this, name));
}

File Folder::openForReading(const std::string& name) const {
    const std::string path = pathOf(name);
    std::int64_t length = 0;
    File file(openOrdinary(handle_, lookedUp(handle_, *this, name).c_str(), path, length), path,
              path);
    file.lengthWhenOpened_ = length;
    return file;
}

File Folder::createTemporary(const std::string& stem, unsigned permissions,
                             const std::string& shownAs) const {
    for (int attempt = 0;; ++attempt) {
        const std::string name = stem + uniqueNameSuffix() + ".tmp";
        const int fd = ::openat(handle_, lookedUp(handle_, *this, name).c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, permissions);
        if (fd >= 0) {
            // Exactly the bits asked for, whatever the umask; a file system that keeps no
            // permissions (FAT) refuses, and its files are what the mount makes them.
            (void)::fchmod(fd, permissions);
            // Held for as long as any descriptor of it is open. A file system without locks
            // refuses, and then removeIfUnheld() cannot lock it either, so it is never taken for
            // a crash's.
            (void)::flock(fd, LOCK_EX | LOCK_NB);
            return File(fd, pathOf(name), shownAs);
        }
        if (errno != EEXIST || attempt == 100) throwSystemError("Cannot write", shownAs);
    }
}

bool Folder::removeIfUnheld(const std::string& name) const {
    const std::string lookup = lookedUp(handle_, *this, name);
    const UniqueFd fd(
        ::openat(handle_, lookup.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat status {};
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
    return ::unlinkat(handle_, lookup.c_str(), 0) == 0;
}

void Folder::replace(const std::string& from, const std::string& to) const {
    if (::renameat(handle_, lookedUp(handle_, *this, from).c_str(), handle_,
                   lookedUp(handle_, *this, to).c_str()) != 0) {
        throwSystemError("Cannot write", pathOf(to));
    }
}

std::int64_t Folder::spaceFreedByReplacing(const std::string& name) const {
    struct stat status {};
    const std::string lookup = lookedUp(handle_, *this, name);
    if (::fstatat(handle_, lookup.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode) || status.st_nlink != 1) {
        return 0;
    }
    return static_cast<std::int64_t>(status.st_blocks) * 512;  // st_blocks counts 512-byte units
}

}  // namespace quorvel
