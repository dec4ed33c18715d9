#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/file_system.h"
#include "platform/run_error.h"
#include "platform/win32/scoped_win.h"
#include "platform/win32/wide_text.h"

namespace quorvel {

bool isOrdinaryFile(const std::string& path) {
    return ordinaryFileLength(path).has_value();
}

std::optional<std::int64_t> ordinaryFileLength(const std::string& path) {
    constexpr DWORD notOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() ||
        !GetFileAttributesExW(widened(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & notOrdinary) != 0) {
        return std::nullopt;
    }
    return (std::int64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

void forEachFolderEntry(const std::string& folder,
                        const std::function<void(std::string_view name)>& take) {
    WIN32_FIND_DATAW entry;
    const FindHandle search(FindFirstFileW(widened(folder + "\\*").c_str(), &entry));
    if (!search) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") take(narrowed(name));
    } while (FindNextFileW(search.get(), &entry));
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

void syncFolder(const std::string& /*folder*/) {}

namespace {

// The root of the volume that holds `folder`: C:\, \\server\share\ or a mounted folder.
std::wstring volumeRoot(const std::wstring& folder) {
    std::vector<wchar_t> root(folder.size() + 2);
    if (!GetVolumePathNameW(folder.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        return L"";
    }
    return root.data();
}

std::int64_t clusterSize(const std::wstring& root) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &clusters)) {
        return 1;
    }
    return std::max<std::int64_t>(std::int64_t{sectorsPerCluster} * bytesPerSector, 1);
}

// The volume's file system by the name Windows gives it: "FAT" (FAT12 and FAT16), "FAT32".
std::optional<FileSizeLimit> sizeLimitOf(const std::wstring& root) {
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name,
                               MAX_PATH + 1)) {
        return std::nullopt;
    }
    const std::wstring fileSystem = name;
    if (fileSystem != L"FAT" && fileSystem != L"FAT32") return std::nullopt;
    return FileSizeLimit{narrowed(fileSystem), fatLargestFile};
}

}  // namespace

std::optional<FileSystemFacts> fileSystemOf(const std::string& folder) {
    const std::wstring wideFolder = widened(folder);
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(wideFolder.c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    FileSystemFacts facts;
    facts.freeBytes = static_cast<std::int64_t>(available.QuadPart);
    const std::wstring root = volumeRoot(wideFolder);
    if (root.empty()) return facts;
    facts.allocationUnit = clusterSize(root);
    facts.sizeLimit = sizeLimitOf(root);
    return facts;
}

}  // namespace quorvel
