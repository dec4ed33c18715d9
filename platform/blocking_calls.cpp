#include "platform/blocking_calls.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace quorvel {
namespace {

// A run waits once a step, and a thread made for each wait would cost as much as a fast disk's
// wait, so the one thread is kept.
class CallThread {
  public:
    CallThread() : thread_([this] { serve(); }) {}

    ~CallThread() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        woken_.notify_one();
        thread_.join();
    }

    std::future<void> hand(std::function<void()> call) {
        std::promise<void> done;
        std::future<void> result = done.get_future();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back({std::move(call), std::move(done)});
        }
        woken_.notify_one();
        return result;
    }

  private:
    struct Call {
        std::function<void()> call;
        std::promise<void> done;
    };

    void serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            woken_.wait(lock, [this] { return stopping_ || !calls_.empty(); });
            if (calls_.empty()) return;  // stopping, with nothing left to do
            Call next = std::move(calls_.front());
            calls_.pop_front();
            // Made and told without the lock: woken, the window's thread may hand over its next
            // call at once, and must not wait for this thread to get a processor back first.
            lock.unlock();
            std::exception_ptr failed;
            try {
                next.call();
            } catch (...) {
                failed = std::current_exception();
            }
            // What the call holds (a batch's files, a buffer) is let go before the caller hears
            // the call is over: a run that ends then leaves nothing open behind it.
            next.call = nullptr;
            if (failed) {
                next.done.set_exception(failed);
            } else {
                next.done.set_value();
            }
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable woken_;
    std::deque<Call> calls_;
    bool stopping_ = false;
    std::thread thread_;
};

CallThread& callThread() {
    static CallThread thread;
    return thread;
}

}  // namespace

std::future<void> callInTurn(std::function<void()> call) {
    return callThread().hand(std::move(call));
}

void waitAnswering(std::future<void>& done, const std::function<void()>& answer) {
    std::exception_ptr answerFailed;
    while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        try {
            answer();
        } catch (...) {
            if (!answerFailed) answerFailed = std::current_exception();
        }
    }
    done.get();
    if (answerFailed) std::rethrow_exception(answerFailed);
}

}  // namespace quorvel
