#pragma once

#include <string>
#include <vector>

namespace quorvel::bench {

// A program with its arguments, run in `folder` with its standard output sent to `output`.
struct Command {
    std::vector<std::string> arguments;
    std::string folder;
    std::string output = "/dev/null";
    // A cgroup.procs file the child moves itself into before it starts, when not empty.
    std::string cgroup{};
};

struct Measured {
    double seconds = 0;
    double peakRssMib = 0;
};

// Runs the command in a child process to its end: the wall time from start to exit and the
// child's peak resident memory. Throws std::runtime_error unless it exits with status 0.
Measured run(const Command& command);

// From now on SIGINT, SIGTERM and SIGHUP do not end this process at once: the running child is
// told to stop, and throwIfStopped() throws at the next point the bench checks, so that whatever
// the bench set up is undone on the way out.
void stopOnSignals();
void throwIfStopped();

}  // namespace quorvel::bench
