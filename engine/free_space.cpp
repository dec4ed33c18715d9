#include "engine/free_space.h"

#include <cmath>

#include "platform/file_system.h"
#include "platform/run_error.h"

namespace quorvel {

std::string sizeText(std::int64_t bytes, bool roundUp) {
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    const char* const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    int unit = 0;
    double scale = 1024;
    while (unit < 5 && static_cast<double>(bytes) >= scale * 1024) {
        scale *= 1024;
        ++unit;
    }
    const double exact = static_cast<double>(bytes) * 10 / scale;
    const auto tenths = static_cast<std::int64_t>(roundUp ? std::ceil(exact) : std::floor(exact));
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + units[unit];
}

void requireFreeSpace(const std::string& folder, std::int64_t needed, const std::string& purpose) {
    const auto free = freeSpace(folder);
    if (!free || needed <= *free) return;
    throw RunError("Not enough free space in " + folder + " for " + purpose + ": " +
                   sizeText(needed, true) + " needed, " + sizeText(*free, false) + " free.");
}

}  // namespace quorvel
