#pragma once

#include <functional>
#include <future>

namespace quorvel {

// One thread makes every call to the system that may take longer than the window may go without
// answering (a wait for the medium, a flush of a whole file system), one after another, for as
// long as the program runs. Nothing else runs on it, and it touches no control.

// Hands `call` to that thread and returns at once; the future tells when it is over, with what
// it captured already destroyed, and holds what it threw.
std::future<void> callInTurn(std::function<void()> call);

// Calls `answer` every few milliseconds until `done` is ready. What `answer` throws does not end
// the wait, since what the call uses must outlive it: the first such error is thrown once the
// call is over, unless the call failed itself, whose error is never dropped.
void waitAnswering(std::future<void>& done, const std::function<void()>& answer);

}  // namespace quorvel
