#pragma once

#include <functional>

namespace quorvel {

// Runs `blocking`, a call to the system that may take longer than the window may go without
// answering (a flush of a whole file system), on a thread of its own, and calls `answer` on this
// thread until it returns. What `blocking` throws is thrown here. If `answer` throws (the window
// was closed), the call is still waited for before that goes on, so nothing it uses goes first.
void waitWhileAnswering(const std::function<void()>& blocking, const std::function<void()>& answer);

}  // namespace quorvel
