#include "engine/piece_lookup.h"

#include <algorithm>
#include <cctype>

#include "engine/piece_naming.h"
#include "platform/file_system.h"

namespace quorvel {
namespace {

#ifndef _WIN32
std::string caseFolded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}
#endif

}  // namespace

std::optional<FoundFile> PieceLookup::find(const std::string& path) {
    if (const auto length = ordinaryFileLength(path)) return FoundFile{path, *length};
#ifdef _WIN32
    return std::nullopt;  // the file system already ignores letter case
#else
    if (!listed_) {
        for (const std::string& name : folderEntries(folder_)) {
            byFoldedName_.emplace(caseFolded(name), name);
        }
        listed_ = true;
    }
    const auto found = byFoldedName_.find(caseFolded(naming::fileName(path)));
    if (found == byFoldedName_.end()) return std::nullopt;
    const std::string actual = naming::inFolder(folder_, found->second);
    const auto length = ordinaryFileLength(actual);
    if (!length) return std::nullopt;
    return FoundFile{actual, *length};
#endif
}

}  // namespace quorvel
