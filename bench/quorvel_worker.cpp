#include "bench/quorvel_worker.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "app/frm_main.h"
#include "platform/copy/hashing_totals.h"
#include "tests/support/headless_toolkit.h"
#include "tests/support/window_run.h"

namespace quorvel::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The window without a screen, timing how long it goes without answering. It answers at every
// yield and repaint, and in a message box (a modal box runs its own event loop); whatever else
// the window comes to answer in reports to answer() too.
class StopwatchToolkit final : public testing::HeadlessToolkit {
  public:
    void doEvents() override {
        answer();
        HeadlessToolkit::doEvents();
    }
    void repaint() override { answer(); }
    void messageBox(const std::string& text, const std::string& title) override {
        answer();
        HeadlessToolkit::messageBox(text, title);
    }

    void answer() {
        const Clock::time_point now = Clock::now();
        longestStall = std::max(longestStall, now - lastAnswer_);
        lastAnswer_ = now;
    }

    Clock::duration longestStall{};

  private:
    Clock::time_point lastAnswer_ = Clock::now();
};

}  // namespace

int runQuorvel(const std::vector<std::string>& arguments) {
    StopwatchToolkit kit;
    frmMain form(kit);
    kit.answer();
    const bool completed = testing::runThroughWindow(kit, form, arguments);
    kit.answer();
    if (!completed) {
        for (const auto& message : kit.messages) std::cerr << message.text << '\n';
        return 1;
    }
    const HashingTotals hashing = hashingTotals();
    std::cout << std::chrono::duration<double, std::milli>(kit.longestStall).count() << ' '
              << hashing.bytes << ' ' << hashing.seconds << '\n';
    return 0;
}

}  // namespace quorvel::bench
