#include <windows.h>

#include "platform/dialog_buffers.h"

namespace quorvel::dialogBuffers {

const std::size_t file = 2047;
const std::size_t folder = MAX_PATH;

}  // namespace quorvel::dialogBuffers
