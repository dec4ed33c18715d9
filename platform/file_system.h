#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

#ifdef _WIN32
inline constexpr char nativeSeparator = '\\';
#else
inline constexpr char nativeSeparator = '/';
#endif

// The lookup the runs use to find a file: true only for an ordinary file (folders, and on
// Windows hidden and system files, count as missing).
bool isOrdinaryFile(const std::string& path);
// The same lookup, giving the file's length as well, in the one call to the system.
std::optional<std::int64_t> ordinaryFileLength(const std::string& path);

// Hands each name in a folder (not "." or "..") to `take`, as it is read; none when the folder
// cannot be read.
void forEachFolderEntry(const std::string& folder,
                        const std::function<void(std::string_view name)>& take);

void removeFile(const std::string& path);
// Removes a file if it is there; for clean-up paths that must not throw.
void discardFile(const std::string& path) noexcept;
// Makes the folder's entries (a rename, a new file) durable.
void syncFolder(const std::string& folder);

// FAT12, FAT16 and FAT32 keep a file's length in 32 bits.
inline constexpr std::int64_t fatLargestFile = 0xFFFFFFFF;

// The largest file a file system holds, with its name as the message gives it ("FAT").
struct FileSizeLimit {
    std::string fileSystem;
    std::int64_t largestFile;
};

// What a run must know of the file system that holds its destination before it writes.
struct FileSystemFacts {
    // Bytes that new files may take; nothing when the file system reports no size.
    std::optional<std::int64_t> freeBytes;
    // What a file takes space in: its length rounded up to a multiple of this.
    std::int64_t allocationUnit = 1;
    // Nothing where the file system sets no limit a file could reach.
    std::optional<FileSizeLimit> sizeLimit;
};

// The file system of `folder`; nothing when the system cannot tell (no such folder).
std::optional<FileSystemFacts> fileSystemOf(const std::string& folder);

// Ten letters or digits, different at every call, for a new file's name.
std::string uniqueNameSuffix();

// The text up to the last separator, or "." when there is none.
std::string folderOf(const std::string& path, char separator = nativeSeparator);

}  // namespace quorvel
