#include <windows.h>

#include "platform/file_system.h"
#include "platform/run_error.h"
#include "platform/win32/wide_text.h"

namespace quorvel {
namespace {

DWORD attributesOf(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(widened(path).c_str());
}

}  // namespace

bool isOrdinaryFile(const std::string& path) {
    constexpr DWORD notOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & notOrdinary) == 0;
}

bool isFolder(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(widened(folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") names.push_back(narrowed(name));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

void removeFile(const std::string& path) {
    if (!DeleteFileW(widened(path).c_str())) throwSystemError("Cannot delete", path);
}

void discardFile(const std::string& path) noexcept {
    try {
        DeleteFileW(widened(path).c_str());
    } catch (...) {
        // Out of memory for the name: the file stays, which is all a clean-up may do.
    }
}

// Write-through: the move is on the disk when the call returns, so the folder needs no sync.
void replaceFile(const std::string& from, const std::string& to) {
    if (!MoveFileExW(widened(from).c_str(), widened(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throwSystemError("Cannot write", to);
    }
}

void syncFolder(const std::string& /*folder*/) {}

}  // namespace quorvel
