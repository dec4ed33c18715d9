#include "platform/copy/answering.h"

#include <utility>

#include "platform/blocking_calls.h"
#include "platform/run_error.h"

namespace quorvel {

Answering::Answering(std::function<void()> answer, std::function<bool()> stopRequested)
    : answer_(std::move(answer)), stopRequested_(std::move(stopRequested)) {}

void Answering::now() {
    answer_();
    answered();
    throwIfStopped();
}

void Answering::nowAndThen() {
    if (std::chrono::steady_clock::now() - last_ >= std::chrono::milliseconds(10)) now();
}

void Answering::whileCalling(std::function<void()> call) {
    std::future<void> done = callInTurn(std::move(call));
    whileAwaiting(done);
}

void Answering::whileAwaiting(std::future<void>& done) {
    try {
        waitAnswering(done, [this] {
            answer_();
            answered();
        });
    } catch (...) {
        throwIfStopped();  // the stop wins: there is no one left to tell what failed
        throw;
    }
    throwIfStopped();
}

void Answering::throwIfStopped() const {
    if (stopRequested_()) throw RunCancelled();
}

}  // namespace quorvel
