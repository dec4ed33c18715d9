#include <windows.h>

#include <utility>

#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/folder.h"
#include "platform/run_error.h"
#include "platform/win32/scoped_win.h"
#include "platform/win32/wide_text.h"

namespace quorvel {
namespace {

// Others may read, change or delete a file we read (a piece can go while the set is counted);
// a file we write may be read or deleted, but no one else writes into it meanwhile.
constexpr DWORD readingShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD writingShare = FILE_SHARE_READ | FILE_SHARE_DELETE;

HANDLE openOrdinary(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                    const char* action) {
    OwnedHandle handle(CreateFileW(widened(path).c_str(), access, share, nullptr, disposition,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) throwSystemError(action, path);
    // A device or pipe under a file's name is refused; a folder cannot be opened this way at all.
    if (GetFileType(handle.get()) != FILE_TYPE_DISK) {
        throw RunError(std::string(action) + " " + path + ": it is not an ordinary file.");
    }
    return handle.release();
}

}  // namespace

File::File(NativeHandle handle, std::string path, std::string name)
    : handle_(handle), path_(std::move(path)), name_(std::move(name)) {}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)),
      path_(std::move(other.path_)),
      name_(std::move(other.name_)),
      lengthWhenOpened_(other.lengthWhenOpened_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        path_ = std::move(other.path_);
        name_ = std::move(other.name_);
        lengthWhenOpened_ = other.lengthWhenOpened_;
    }
    return *this;
}

File::~File() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

File File::openForReading(const std::string& path) {
    File file(openOrdinary(path, GENERIC_READ, readingShare, OPEN_EXISTING, "Cannot open"), path,
              path);
    file.lengthWhenOpened_ = file.length();
    return file;
}

// A duplicated handle would share this one's position; a handle opened again has its own.
File File::reopenedForReading() const {
    const HANDLE handle = ReOpenFile(handle_, GENERIC_READ, readingShare, 0);
    if (handle == INVALID_HANDLE_VALUE) throwSystemError("Cannot open", name_);
    return File(handle, path_, name_);
}

std::int64_t File::length() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) throwSystemError("Cannot read the length of", name_);
    return size.QuadPart;
}

FileIdentity File::identity() const {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle_, &info)) {
        throwSystemError("Cannot read the attributes of", name_);
    }
    return {info.dwVolumeSerialNumber,
            (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

unsigned File::permissions() const {
    return 0;
}

void File::flush() {
    if (!FlushFileBuffers(handle_)) throwSystemError("Cannot write", name_);
}

void File::close() {
    const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (handle != INVALID_HANDLE_VALUE && !CloseHandle(handle))
        throwSystemError("Cannot write", name_);
}

// Windows looks every name up from the root of its path, so the folder is only its path.
Folder::Folder(std::string leading) : leading_(std::move(leading)), handle_(nullptr) {}

Folder::~Folder() = default;

std::optional<std::int64_t> Folder::ordinaryFileLength(const std::string& name) const {
    return quorvel::ordinaryFileLength(pathOf(name));
}

File Folder::openForReading(const std::string& name) const {
    return File::openForReading(pathOf(name));
}

// Windows gives new files the rights of their folder; there are no permission bits to pass on.
File Folder::createTemporary(const std::string& stem, unsigned /*permissions*/,
                             const std::string& shownAs) const {
    // CREATE_NEW fails on any existing name, so the file is ours alone; a taken name moves on.
    // The file is held by being open: it shares no writing, and removeIfUnheld() asks for it
    // alone.
    for (int attempt = 0;; ++attempt) {
        const std::string path = pathOf(stem + uniqueNameSuffix() + ".tmp");
        const HANDLE handle =
            CreateFileW(widened(path).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, writingShare,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return File(handle, path, shownAs);
        const DWORD error = GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == 100) {
            throwSystemError("Cannot write", shownAs);
        }
    }
}

bool Folder::removeIfUnheld(const std::string& name) const {
    const OwnedHandle alone(
        CreateFileW(widened(pathOf(name)).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return static_cast<bool>(alone);
}

// Write-through: the move is on the disk when the call returns, so the folder needs no sync.
void Folder::replace(const std::string& from, const std::string& to) const {
    if (!MoveFileExW(widened(pathOf(from)).c_str(), widened(pathOf(to)).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throwSystemError("Cannot write", pathOf(to));
    }
}

// A link (reparse point), a folder or a name that other links share gives nothing back.
std::int64_t Folder::spaceFreedByReplacing(const std::string& name) const {
    const OwnedHandle handle(
        CreateFileW(widened(pathOf(name)).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle.get(), &info);
    constexpr DWORD notOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (!known || (info.dwFileAttributes & notOrdinary) != 0 || info.nNumberOfLinks != 1) return 0;
    return (std::int64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

}  // namespace quorvel
