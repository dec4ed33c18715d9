#include "bench/quorvel_worker.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "app/frm_main.h"
#include "app/texts.h"
#include "tests/support/headless_toolkit.h"

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
    const bool split = arguments.at(0) == "split";
    StopwatchToolkit kit;
    frmMain form(kit);
    if (!split) kit.click("Opt2");
    const bool deleting = !split && arguments.size() > 3 && arguments.at(3) == "delete";
    if (deleting && !kit.click("Check1")) {
        std::cerr << "The delete box cannot be ticked\n";
        return 1;
    }
    // The fields as the pickers leave them.
    form.Text1->setText(arguments.at(1));
    form.sourcePath = arguments.at(1);
    form.Text2->setText(arguments.at(2));
    form.savePath = arguments.at(2);
    if (split) kit.type("Text3", arguments.at(3));

    kit.answer();
    kit.click("cmd_Split");
    kit.answer();

    const std::string done = split ? text::splitDone : text::jointDone;
    if (kit.messages.size() != 1 || kit.messages.front().text != done) {
        for (const auto& message : kit.messages) std::cerr << message.text << '\n';
        return 1;
    }
    std::cout << std::chrono::duration<double, std::milli>(kit.longestStall).count() << '\n';
    return 0;
}

}  // namespace quorvel::bench
