#include "platform/wait.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <future>
#include <mutex>
#include <thread>

namespace quorvel {
namespace {

// One thread that makes the calls, one after another, for as long as the program runs: a run
// waits once a step, and a thread made for each wait would cost as much as a fast disk's wait.
// A call made while another is under way (from within `answer`) gets a thread of its own.
class Waiter {
  public:
    Waiter() : thread_([this] { serve(); }) {}

    ~Waiter() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        woken_.notify_one();
        thread_.join();
    }

    std::future<void> start(const std::function<void()>& blocking) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!busy_) {
                busy_ = true;
                call_ = blocking;
                done_ = {};
                std::future<void> done = done_.get_future();
                woken_.notify_one();
                return done;
            }
        }
        return std::async(std::launch::async, blocking);
    }

  private:
    void serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            woken_.wait(lock, [this] { return stopping_ || call_; });
            if (stopping_) return;
            const std::function<void()> call = std::move(call_);
            call_ = nullptr;
            std::promise<void> done = std::move(done_);
            lock.unlock();
            std::exception_ptr failure;
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            // Free before the caller learns that the call is over, so that its next one comes here.
            busy_ = false;
            lock.unlock();
            // Told without the lock: woken, the window's thread may take it at once for its next
            // call, and must not wait for this thread to get a processor back first.
            failure ? done.set_exception(failure) : done.set_value();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable woken_;
    bool busy_ = false;  // from the start of a call until its caller may learn that it is over
    std::function<void()> call_;
    std::promise<void> done_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace

void waitWhileAnswering(const std::function<void()>& blocking,
                        const std::function<void()>& answer) {
    static Waiter waiter;
    std::future<void> done = waiter.start(blocking);
    try {
        while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) answer();
    } catch (...) {
        done.wait();
        throw;
    }
    done.get();
}

}  // namespace quorvel
