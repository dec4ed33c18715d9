#include "platform/file_system.h"

namespace quorvel {

// A root keeps its separator: "/" and "\" stay themselves, a drive root stays "C:\".
std::string folderOf(const std::string& path, char separator) {
    const auto last = path.rfind(separator);
    if (last == std::string::npos) return ".";
    const bool atRoot = last == 0 || (last == 2 && path[1] == ':');
    return path.substr(0, atRoot ? last + 1 : last);
}

}  // namespace quorvel
