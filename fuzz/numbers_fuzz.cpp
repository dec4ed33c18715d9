// The number test and the integer conversion read whatever the user types into the parts field.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/conversions.h"
#include "platform/run_error.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool numeric = isNumeric(text);
    // Blanks around a number are part of what a user may type.
    require(isNumeric(" " + text + "\t") == numeric);
    try {
        const std::int32_t value = toInt32(text);
        require(numeric);
        require(toInt32(std::to_string(value)) == value);
        require(toInt32(" " + text + " ") == value);
    } catch (const RunError& error) {
        // A number that converts to nothing is out of range, and says so.
        require(!numeric || std::string(error.what()).find("too large") != std::string::npos);
    }
    return 0;
}
