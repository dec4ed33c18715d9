#include <windows.h>

#include "platform/copy/write_out.h"

namespace quorvel {

// Windows starts writing a file out on its own and offers no wait for part of one: a step is
// waited for by flushing the whole file.
void startWriteOut(File&, std::int64_t, std::int64_t) {}

void awaitWriteOut(File& file, std::int64_t begin, std::int64_t end) {
    if (end > begin) file.flush();
}

}  // namespace quorvel
