#include "platform/file_system.h"

#include <chrono>
#include <random>

#include "platform/folder.h"

namespace quorvel {

// A root keeps its separator: "/" and "\" stay themselves, a drive root stays "C:\".
std::string folderOf(const std::string& path, char separator) {
    const auto last = path.rfind(separator);
    if (last == std::string::npos) return ".";
    const bool atRoot = last == 0 || (last == 2 && path[1] == ':');
    return path.substr(0, atRoot ? last + 1 : last);
}

std::string uniqueNameSuffix() {
    static std::mt19937_64 generator{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix;
    for (int i = 0; i < 10; ++i) suffix += digits[generator() % 36];
    return suffix;
}

// The folder of any name in it: a root keeps its separator, the current folder is ".".
std::string Folder::path() const {
    return folderOf(pathOf("name"));
}

Folder Folder::containing(const std::string& path) {
    return Folder(path.substr(0, path.rfind(nativeSeparator) + 1));  // npos + 1: no folder named
}

}  // namespace quorvel
