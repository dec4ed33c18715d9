#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace quorvel {

struct FoundFile {
    std::string path;
    std::int64_t length;
};

// Finds the files of one folder by name the way Windows does, whatever the letter case of the
// names on disk: an exact match first, then a case-blind one. The folder is listed at most once,
// so counting a large set stays linear.
class PieceLookup {
public:
    explicit PieceLookup(std::string folder) : folder_(std::move(folder)) {}

    // The ordinary file that `path` (a file in this folder) names, if there is one.
    std::optional<FoundFile> find(const std::string& path);

private:
    std::string folder_;
    bool listed_ = false;
    std::unordered_map<std::string, std::string> byFoldedName_;
};

}  // namespace quorvel
