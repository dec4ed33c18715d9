#include "platform/linux/mount_table.h"

#include <sstream>
#include <vector>

namespace quorvel {

// A line: ID, parent ID, major:minor, root, mount point, options, optional fields, "-", type,
// source, super options.
std::string fuseMountName(const std::string& mountInfo, unsigned major, unsigned minor) {
    const std::string device = std::to_string(major) + ":" + std::to_string(minor);
    std::istringstream lines(mountInfo);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;) fields.push_back(word);
        if (fields.size() < 3 || fields[2] != device) continue;
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") ++separator;
        if (separator + 2 >= fields.size()) continue;
        const std::string& type = fields[separator + 1];
        const auto dot = type.find('.');
        return dot == std::string::npos ? fields[separator + 2] : type.substr(dot + 1);
    }
    return "";
}

}  // namespace quorvel
