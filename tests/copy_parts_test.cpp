// The parts of the copy path, each on its own, with no window: the pacing by a clock of the
// test's, the thread for blocking calls, the run's answers, gathering, batches of short files, and
// the folder that puts a run's files in place.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/blocking_calls.h"
#include "platform/copy/answering.h"
#include "platform/copy/output_folder.h"
#include "platform/copy/pace.h"
#include "platform/file.h"
#include "platform/run_error.h"
#include "tests/support/files.h"

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kib = 1024, mib = 1024 * kib;

// A clock that moves only when the test says.
struct FakeClock {
    Clock::time_point now{};
    Pace::Clock function() {
        return [this] { return now; };
    }
};

// Each row: steps of that many bytes, each taking that long, and the step size that follows.
TEST(Pace, StepsFollowTheMediumsPaceWithinTheirBoundsInWholeUnits) {
    struct Step {
        std::int64_t bytes;
        Clock::duration took;
    };
    struct Case {
        const char* medium;
        std::vector<Step> steps;
        std::int64_t next;
    };
    const std::vector<Case> cases = {
        {"a fast disk: each step at most doubles", {{256 * kib, 1ms}}, 512 * kib},
        {"a fast disk, for long", std::vector<Step>(20, {256 * mib, 1ms}), 256 * mib},
        {"a slow stick: never below the floor", {{256 * kib, 500ms}}, 256 * kib},
        {"15 ms at 35 MB/s", {{256 * kib, 1ms}, {512 * kib, 1ms}, {1 * mib, 30ms}}, 512 * kib},
        {"a sudden stall after a fast run",
         {{256 * kib, 1ms}, {512 * kib, 1ms}, {1 * mib, 1ms}, {2 * mib, 1s}},
         256 * kib},
        {"a pace between two units rounds down", {{300000, 10ms}}, 384 * kib},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        Pace pace(clock.function());
        for (const Step& step : c.steps) {
            clock.now += step.took;
            pace.stepMade(step.bytes);
        }
        EXPECT_EQ(pace.stepSize(), c.next) << c.medium;
        EXPECT_EQ(pace.stepSize() % (64 * kib), 0) << c.medium;
    }
}

TEST(Pace, CallsCopyAboutTenMillisecondsWorthWithinTheirBounds) {
    struct Case {
        std::int64_t bytes;
        Clock::duration took;
        std::int64_t next;
    };
    for (const Case& c :
         {Case{1 * mib, 1ms, 4 * mib}, Case{1 * mib, 10ms, 1 * mib}, Case{1 * mib, 1s, 64 * kib},
          Case{100 * kib, 10ms, 64 * kib}, Case{200 * kib, 10ms, 192 * kib}}) {
        FakeClock clock;
        Pace pace(clock.function());
        EXPECT_EQ(pace.callSize(), 4 * mib);  // until the first call is timed
        pace.callStarts();
        clock.now += c.took;
        pace.callMade(c.bytes);
        EXPECT_EQ(pace.callSize(), c.next) << c.bytes << " bytes";
    }
}

TEST(BlockingCalls, OneThreadMakesTheCallsInTurn) {
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::vector<std::future<void>> done;
    for (int call = 0; call < 5; ++call) {
        done.push_back(callInTurn([&, call] {
            std::this_thread::sleep_for(1ms);
            order.push_back(call);
            threads.push_back(std::this_thread::get_id());
        }));
    }
    for (auto& each : done) each.get();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    for (const auto& thread : threads) {
        EXPECT_EQ(thread, threads.front());
        EXPECT_NE(thread, std::this_thread::get_id());
    }
}

// What a call holds (a batch's files) is let go by the time its caller hears it is over, so a run
// that ends on a failure leaves nothing open.
TEST(BlockingCalls, WhatACallHoldsIsGoneOnceItIsOver) {
    struct Held {
        explicit Held(std::atomic<bool>& flag) : gone(flag) {}
        Held(const Held&) = delete;
        std::atomic<bool>& gone;
        ~Held() {
            std::this_thread::sleep_for(20ms);
            gone = true;
        }
    };
    for (const bool fails : {false, true}) {
        std::atomic<bool> gone = false;
        auto held = std::make_shared<Held>(gone);
        std::future<void> done = callInTurn([held, fails] {
            if (fails) throw RunError("Input/output error");
        });
        held.reset();
        done.wait();
        EXPECT_TRUE(gone) << (fails ? "after a failure" : "after a success");
    }
}

// The window answers until the call is over, whatever its answers throw, and the call's own error
// is the one that comes back.
TEST(BlockingCalls, AWaitAnswersUntilTheCallIsOverAndKeepsTheCallsError) {
    struct Case {
        const char* what;
        bool callFails, answerThrows;
        const char* thrown;
    };
    for (const Case& c : {Case{"both go well", false, false, ""},
                          Case{"the call fails", true, false, "Input/output error"},
                          Case{"an answer throws", false, true, "answer"},
                          Case{"both", true, true, "Input/output error"}}) {
        std::atomic<int> answers = 0;
        std::string thrown;
        try {
            std::future<void> done = callInTurn([&] {
                while (answers < 3) std::this_thread::sleep_for(1ms);
                if (c.callFails) throw RunError("Input/output error");
            });
            waitAnswering(done, [&] {
                ++answers;
                if (c.answerThrows) throw std::runtime_error("answer");
            });
        } catch (const std::exception& error) {
            thrown = error.what();
        }
        EXPECT_EQ(thrown, c.thrown) << c.what;
        EXPECT_GE(answers, 3) << c.what;
    }
}

// A stop asked for while a call is under way ends the run once the call is over, quietly, even
// when the call failed; without one, the call's error comes back.
TEST(Answering, AStopWinsOnceTheCallIsOver) {
    for (const bool stop : {false, true}) {
        bool stopRequested = false, ended = false;
        Answering answering([&] { stopRequested = stop; }, [&] { return stopRequested; });
        const auto call = [&] {
            std::this_thread::sleep_for(20ms);
            ended = true;
            throw RunError("Input/output error");
        };
        if (stop) {
            EXPECT_THROW(answering.whileCalling(call), RunCancelled);
        } else {
            EXPECT_THROW(answering.whileCalling(call), RunError);
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(stopRequested, stop);
        if (stop) {
            EXPECT_THROW(answering.now(), RunCancelled);
        }
    }
}

class OutputFolderTest : public ::testing::Test {
  protected:
    TempFolder dir;
    int answers = 0;
    Answering answering{[this] { ++answers; }, [] { return false; }};
};

// One copy for each file, as a split writes its pieces, and many copies into one file, as a join
// appends them: short copies gathered, long ones in steps.
TEST(OutputFolder, CopiesGiveTheBytesInPlace) {
    struct Case {
        const char* what;
        std::vector<std::int64_t> copies;  // lengths, taken from the source in turn
        bool oneFile;
    };
    for (const Case& c : {Case{"short pieces", {5000, 3000, 3000}, false},
                          Case{"long pieces", {3 * mib + 7, 3 * mib}, false},
                          Case{"a join of short pieces", {10, 16 * kib, 1, 700 * kib, 9}, true},
                          Case{"a join of long pieces", {2 * mib, 2 * mib + 1}, true}}) {
        TempFolder dir;
        Answering answering([] {}, [] { return false; });
        std::int64_t total = 0;
        for (const std::int64_t length : c.copies) total += length;
        const std::string bytes = patternBytes(static_cast<std::size_t>(total));
        writeBytes(dir / "source", bytes);
        File source = File::openForReading(dir / "source");
        OutputFolder folder(dir / "any", answering);
        std::vector<std::string> names;
        std::unique_ptr<OutputFile> into;
        for (std::size_t n = 0; n < c.copies.size(); ++n) {
            if (!into || !c.oneFile) {
                names.push_back("out" + std::to_string(n));
                into = folder.create(names.back(), 0644);
            }
            folder.copy(source, *into, c.copies[n]);
            if (!c.oneFile) folder.place(*into);
        }
        if (c.oneFile) folder.placeDurably(*into);
        into.reset();
        std::string joined;
        for (const std::string& name : names) joined += bytesOf(dir / name);
        EXPECT_EQ(joined, bytes) << c.what;
        std::vector<std::string> expected = names;
        expected.push_back("source");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(dir.names(), expected) << c.what << ": no temporary file is left";
    }
}

// A long copy goes a step at a time: between two steps the run gets the bytes on the medium, more
// each time and never the whole copy, and answers.
TEST_F(OutputFolderTest, ALongCopyTellsOfItsBytesOnTheMediumStepByStep) {
    const std::string bytes = patternBytes(4 * mib);
    writeBytes(dir / "source", bytes);
    File source = File::openForReading(dir / "source");
    Clock::time_point now{};
    OutputFolder folder(dir / "any", answering, [&now] { return now += 20ms; });  // a slow disk
    const auto piece = folder.create("piece", 0600);
    std::vector<std::int64_t> onMedium;
    folder.copy(source, *piece, 4 * mib,
                [&](std::int64_t bytesThere) { onMedium.push_back(bytesThere); });
    folder.placeLast(*piece);
    EXPECT_GE(onMedium.size(), 8u);  // steps of 256 KiB at this pace
    EXPECT_TRUE(std::is_sorted(onMedium.begin(), onMedium.end()));
    EXPECT_LT(onMedium.back(), 4 * mib);
    EXPECT_GT(answers, 0);
    EXPECT_EQ(bytesOf(dir / "piece"), bytes);
}

// A file not put in place leaves nothing but what was there before it.
TEST_F(OutputFolderTest, AFileNotPutInPlaceLeavesWhatWasThere) {
    writeBytes(dir / "target", "older content");
    writeBytes(dir / "source", patternBytes(1 * mib));
    File source = File::openForReading(dir / "source");
    {
        OutputFolder folder(dir / "any", answering);
        const auto target = folder.create("target", 0644);
        folder.copy(source, *target, 1 * mib);
        folder.end(*target);
    }
    EXPECT_EQ(bytesOf(dir / "target"), "older content");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"source", "target"}));
}

// A batch keeps its own hold on its files: the run may close and remove them before it is made.
TEST(ShortFiles, ABatchOutlivesTheFilesItWasGiven) {
    TempFolder dir;
    ShortFiles shortFiles;
    std::function<void()> batch;
    {
        Answering answering([] {}, [] { return false; });
        OutputFolder folder(dir / "any", answering);
        for (int n = 0; n < 3; ++n) {
            const auto file = folder.create("short" + std::to_string(n), 0644);
            writeAll(file->file(), "abc", 3);
            shortFiles.add(file->file(), 3);
        }
        batch = shortFiles.takeBatch();
    }
    EXPECT_NO_THROW(batch());
    batch = nullptr;  // its handles go with it; on Windows the files go only then
    EXPECT_TRUE(dir.names().empty());
    EXPECT_FALSE(shortFiles.full());
}

}  // namespace
}  // namespace quorvel::testing
