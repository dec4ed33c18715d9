#include "engine/start_checks.h"

#include "engine/messages.h"
#include "engine/piece_naming.h"
#include "platform/conversions.h"
#include "platform/file_system.h"
#include "platform/run_error.h"

namespace quorvel::checks {
namespace {

// A count outside the 32-bit range fails to convert and is refused like any other bad count.
bool acceptablePartsCount(const std::string& count) {
    if (!isNumeric(count)) return false;
    try {
        return toInt32(count) > 1;
    } catch (const RunError&) {
        return false;
    }
}

}  // namespace

std::optional<Refusal> splitStart(const std::string& partsCount, const std::string& source) {
    if (!acceptablePartsCount(partsCount)) return Refusal{text::badPartsCount, true};
    if (naming::isPieceFile(source)) return Refusal{text::cannotSplitPiece};
    return std::nullopt;
}

std::optional<Refusal> splitInputs(const std::string& source, const std::string& destination) {
    if (source.empty() || !isOrdinaryFile(source)) return Refusal{text::noSource};
    if (destination.empty()) return Refusal{text::noDestination};
    return std::nullopt;
}

std::optional<Refusal> joinInputs(const std::string& firstPiece) {
    if (!naming::isFirstPiece(firstPiece)) return Refusal{text::notFirstPiece};
    if (!isOrdinaryFile(firstPiece)) return Refusal{text::firstPieceMissing};
    return std::nullopt;
}

}  // namespace quorvel::checks
