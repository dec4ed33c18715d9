#include "platform/wait.h"

#include <chrono>
#include <future>

namespace quorvel {

void waitWhileAnswering(const std::function<void()>& blocking,
                        const std::function<void()>& answer) {
    std::future<void> done = std::async(std::launch::async, blocking);
    try {
        while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) answer();
    } catch (...) {
        done.wait();
        throw;
    }
    done.get();
}

}  // namespace quorvel
