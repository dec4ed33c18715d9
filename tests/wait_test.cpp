#include "platform/wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace quorvel::testing {
namespace {

struct WindowClosed {};

// A blocking call that lasts until the window has answered a few times: the window is never
// left waiting for it.
TEST(WaitWhileAnswering, TheWindowAnswersUntilTheCallReturns) {
    std::atomic<int> answers = 0;
    bool returned = false;
    waitWhileAnswering(
        [&] {
            while (answers < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            returned = true;
        },
        [&] { ++answers; });
    EXPECT_TRUE(returned);
    EXPECT_GE(answers, 3);
}

TEST(WaitWhileAnswering, WhatTheCallThrowsReachesTheCaller) {
    EXPECT_THROW(waitWhileAnswering([] { throw std::runtime_error("Input/output error"); }, [] {}),
                 std::runtime_error);
}

// A close during the call stops the run only once the call is over: nothing it uses is gone
// before it.
TEST(WaitWhileAnswering, AWindowClosedDuringTheCallWaitsForItToEnd) {
    std::atomic<bool> closed = false, ended = false;
    EXPECT_THROW(waitWhileAnswering(
                     [&] {
                         while (!closed) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                         std::this_thread::sleep_for(std::chrono::milliseconds(20));
                         ended = true;
                     },
                     [&] {
                         closed = true;
                         throw WindowClosed{};
                     }),
                 WindowClosed);
    EXPECT_TRUE(ended);
}

// The window may wait for a second call while it answers during the first; neither waits for
// the other to end.
TEST(WaitWhileAnswering, ACallMadeWhileAnsweringRunsAlongsideTheFirst) {
    std::atomic<bool> secondDone = false;
    bool nested = false;
    waitWhileAnswering(
        [&] {
            while (!secondDone) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        },
        [&] {
            if (nested) return;
            nested = true;
            waitWhileAnswering([&] { secondDone = true; }, [] {});
        });
    EXPECT_TRUE(secondDone);
}

}  // namespace
}  // namespace quorvel::testing
