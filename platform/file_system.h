#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// The names in a folder (no "." or ".."); empty when it cannot be read.
std::vector<std::string> folderEntries(const std::string& folder);

void removeFile(const std::string& path);
// Removes a file if it is there; for clean-up paths that must not throw.
void discardFile(const std::string& path) noexcept;
// Moves `from` over `to` in one step, replacing what was at `to`.
void replaceFile(const std::string& from, const std::string& to);
// Makes the folder's entries (a rename, a new file) durable.
void syncFolder(const std::string& folder);

// Bytes that new files in `folder` may take; nothing when the system cannot tell (no such folder).
std::optional<std::int64_t> freeSpace(const std::string& folder);
// Bytes that replacing the file at `path` gives back: what it holds on the disk when it is an
// ordinary file no other name shares, else 0 (a link, a folder, nothing there).
std::int64_t spaceFreedByReplacing(const std::string& path);

// The text up to the last separator, or "." when there is none.
std::string folderOf(const std::string& path, char separator = nativeSeparator);

}  // namespace quorvel
