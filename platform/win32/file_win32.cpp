#include <windows.h>

#include <atomic>
#include <utility>

#include "platform/file.h"
#include "platform/run_error.h"
#include "platform/win32/wide_text.h"

namespace quorvel {
namespace {

// Others may read, change or delete a file we read (a piece can go while the set is counted);
// a file we write may be read or deleted, but no one else writes into it meanwhile.
constexpr DWORD readingShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD writingShare = FILE_SHARE_READ | FILE_SHARE_DELETE;

HANDLE openOrdinary(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                    const char* action) {
    const HANDLE handle = CreateFileW(widened(path).c_str(), access, share, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throwSystemError(action, path);
    // A device or pipe under a file's name is refused; a folder cannot be opened this way at all.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        throw RunError(std::string(action) + " " + path + ": it is not an ordinary file.");
    }
    return handle;
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

// Windows gives new files the rights of their folder; there are no permission bits to pass on.
File File::createTemporary(const std::string& folder, const std::string& stem,
                           unsigned /*permissions*/, const std::string& shownAs) {
    // CREATE_NEW fails on any existing name, so the file is ours alone; a taken name moves on.
    static std::atomic<unsigned> counter{0};
    const std::string inFolder = folder.ends_with('\\') ? folder : folder + '\\';
    const std::string prefix = inFolder + stem + "-" + std::to_string(GetCurrentProcessId()) + "-";
    for (int attempt = 0;; ++attempt) {
        const std::string path = prefix + std::to_string(counter++) + ".tmp";
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

}  // namespace quorvel
