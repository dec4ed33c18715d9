#include <climits>

#include "platform/dialog_buffers.h"

namespace quorvel::dialogBuffers {

const std::size_t file = PATH_MAX - 1;
const std::size_t folder = PATH_MAX;

}  // namespace quorvel::dialogBuffers
