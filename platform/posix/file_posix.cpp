#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/folder.h"
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
    const int fd = ::openat(at, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throwSystemError("Cannot open", path);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw RunError("Cannot open " + path + ": it is not an ordinary file.");
    }
    length = status.st_size;
    return fd;
}

std::string uniqueSuffix() {
    static std::mt19937_64 generator{std::random_device{}()};
    const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix;
    for (int i = 0; i < 10; ++i) suffix += digits[generator() % 36];
    return suffix;
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

File Folder::openForReading(const std::string& name) const {
    if (handle_ < 0) return File::openForReading(pathOf(name));
    const std::string path = pathOf(name);
    std::int64_t length = 0;
    File file(openOrdinary(handle_, name.c_str(), path, length), path, path);
    file.lengthWhenOpened_ = length;
    return file;
}

File File::createTemporary(const std::string& folder, const std::string& stem, unsigned permissions,
                           const std::string& shownAs) {
    for (int attempt = 0;; ++attempt) {
        const std::string path = folder + "/" + stem + "-" + uniqueSuffix() + ".tmp";
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, permissions);
        if (fd >= 0) {
            // Exactly the bits asked for, whatever the umask; a file system that keeps no
            // permissions (FAT) refuses, and its files are what the mount makes them.
            (void)::fchmod(fd, permissions);
            return File(fd, path, shownAs);
        }
        if (errno != EEXIST || attempt == 100) throwSystemError("Cannot write", shownAs);
    }
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

}  // namespace quorvel
