#include <cerrno>
#include <cstring>

#include "platform/run_error.h"

namespace quorvel {

void throwSystemError(const std::string& action, const std::string& path) {
    throw RunError(action + " " + path + ": " + std::strerror(errno) + ".");
}

}  // namespace quorvel
