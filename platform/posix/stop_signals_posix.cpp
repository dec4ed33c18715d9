#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>

#include "platform/stop_signals.h"

namespace quorvel {
namespace {

std::atomic<int> received{0};
int wakeUp[2] = {-1, -1};  // the pipe an event loop watches; made once, kept for good

// Only what is safe in a signal handler: an atomic store and a write.
extern "C" void noteSignal(int number) {
    int expected = 0;
    received.compare_exchange_strong(expected, number);
    if (wakeUp[1] >= 0) {
        const char byte = 1;
        (void)!::write(wakeUp[1], &byte, 1);
    }
}

}  // namespace

void stopOnSignals() {
    if (wakeUp[0] < 0 && ::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0) wakeUp[0] = wakeUp[1] = -1;
    struct sigaction action {};
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESTART;  // the system calls under way go on; the run stops after them
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(number, &action, nullptr);
}

int stopSignal() {
    return received.load();
}

int stopSignalDescriptor() {
    return wakeUp[0];
}

}  // namespace quorvel
