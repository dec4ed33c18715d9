#pragma once

#include <chrono>
#include <functional>
#include <future>

namespace quorvel {

// What a run asks of whoever it runs for while it works: a chance to answer (the window repaints
// and takes a close), and whether to stop. One clock times every answer of the run, whichever
// part of it gave the chance.
class Answering {
  public:
    Answering(std::function<void()> answer, std::function<bool()> stopRequested);

    bool stopRequested() const { return stopRequested_(); }
    // Answers now. Throws RunCancelled once the run is to stop.
    void now();
    // The same once 10 ms have passed since the last answer: for long loops of short calls.
    void nowAndThen();
    // Notes an answer given elsewhere (the yield between two pieces).
    void answered() { last_ = std::chrono::steady_clock::now(); }
    // `call` is made on the thread for blocking calls while this one answers. A stop asked for
    // meanwhile ends the run once the call is over, whatever the call did.
    void whileCalling(std::function<void()> call);
    void whileAwaiting(std::future<void>& done);

  private:
    void throwIfStopped() const;

    std::function<void()> answer_;
    std::function<bool()> stopRequested_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace quorvel
