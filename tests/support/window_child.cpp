// A window without a screen in a process of its own, started as the program starts (signals that
// ask it to end stop a run), for the tests that stop or kill one in the middle of a run. Its
// arguments are those of runThroughWindow(), and then, for a test that wants the run to wait for
// it, "hold" and a repaint's number: there the run waits until a signal comes. Prints the
// messages the window showed, and ends as the program does.
#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/stop_signals.h"
#include "tests/support/window_run.h"

int main(int argc, char** argv) {
    using namespace quorvel;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    stopOnSignals();
    testing::HeadlessToolkit kit;
    frmMain form(kit);
    const auto hold = std::find(arguments.begin(), arguments.end(), "hold");
    if (hold != arguments.end() && hold + 1 != arguments.end()) {
        const int at = std::stoi(*(hold + 1));
        kit.onRepaint = [at](int repaint) {
            if (repaint != at) return;
            std::cout << "holding" << std::endl;
            while (stopSignal() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        arguments.erase(hold, arguments.end());
    }
    const bool completed = testing::runThroughWindow(kit, form, arguments);
    for (const auto& message : kit.messages) std::cout << message.text << std::endl;
    if (stopSignal() != 0) return 128 + stopSignal();
    return completed ? 0 : 1;
}
