#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/stop_signals.h"

namespace quorvel {
namespace {

std::atomic<int> received{0};

// Called on a thread of the system's own. Returning TRUE keeps the program alive while the run
// stops; for a closed console Windows ends the program soon after anyway.
BOOL WINAPI noteConsoleEvent(DWORD event) {
    const int number = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    int expected = 0;
    received.compare_exchange_strong(expected, number);
    return TRUE;
}

}  // namespace

void stopOnSignals() {
    SetConsoleCtrlHandler(noteConsoleEvent, TRUE);
}

int stopSignal() {
    return received.load();
}

int stopSignalDescriptor() {
    return -1;
}

}  // namespace quorvel
