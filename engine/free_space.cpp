#include "engine/free_space.h"

#include <algorithm>
#include <cmath>

#include "platform/run_error.h"

namespace quorvel {
namespace {

// "4 GiB - 1 byte" for a limit one byte short of a whole number of units, else the size.
std::string limitText(std::int64_t largest) {
    const char* const units[] = {"KiB", "MiB", "GiB", "TiB"};
    const std::int64_t next = largest + 1;
    for (int unit = 3; unit >= 0; --unit) {
        const std::int64_t scale = std::int64_t{1} << (10 * (unit + 1));
        if (next % scale == 0)
            return std::to_string(next / scale) + " " + units[unit] + " - 1 byte";
    }
    return sizeText(largest, false);
}

// The fewest parts whose first piece, which carries the remainder, is at most `largest` bytes.
std::int64_t fewestPartsWithin(std::int64_t length, std::int64_t largest) {
    std::int64_t parts = std::max<std::int64_t>(2, (length + largest - 1) / largest);
    while (length / parts + length % parts > largest) ++parts;
    return parts;
}

}  // namespace

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

Destination::Destination(std::string folder)
    : folder_(std::move(folder)), facts_(fileSystemOf(folder_)) {}

std::int64_t Destination::onDisk(std::int64_t length) const {
    const std::int64_t unit = facts_ ? facts_->allocationUnit : 1;
    return (length + unit - 1) / unit * unit;
}

void Destination::requireFreeSpace(std::int64_t needed, const std::string& purpose) const {
    if (!facts_ || !facts_->freeBytes || needed <= *facts_->freeBytes) return;
    throw RunError("Not enough free space in " + folder_ + " for " + purpose + ": " +
                   sizeText(needed, true) + " needed, " + sizeText(*facts_->freeBytes, false) +
                   " free.");
}

std::optional<std::string> Destination::limitReason(std::int64_t length) const {
    if (!facts_ || !facts_->sizeLimit || length <= facts_->sizeLimit->largestFile) {
        return std::nullopt;
    }
    return "its file system (" + facts_->sizeLimit->fileSystem + ") holds no file over " +
           limitText(facts_->sizeLimit->largestFile);
}

void Destination::requirePiecesWithinLimit(const std::string& source, std::int64_t length,
                                           std::int32_t partCount) const {
    const std::int64_t firstPiece = length / partCount + length % partCount;
    const auto reason = limitReason(firstPiece);
    if (!reason) return;
    throw RunError("Cannot split " + source + " into " + std::to_string(partCount) + " parts in " +
                   folder_ + ": " + *reason + ", and piece 1 would be " +
                   sizeText(firstPiece, true) + ". Split it into at least " +
                   std::to_string(fewestPartsWithin(length, facts_->sizeLimit->largestFile)) +
                   " parts.");
}

void Destination::requireJoinedFileWithinLimit(const std::string& name, std::int64_t length) const {
    const auto reason = limitReason(length);
    if (!reason) return;
    throw RunError("Cannot join " + name + " in " + folder_ + ": " + *reason +
                   ", and the joined file would be " + sizeText(length, true) + ".");
}

}  // namespace quorvel
