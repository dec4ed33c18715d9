#pragma once

#include <string>
#include <vector>

namespace quorvel::bench {

// A program with its arguments, run in `folder` with its standard output sent to `output`.
struct Command {
    std::vector<std::string> arguments;
    std::string folder;
    std::string output = "/dev/null";
};

struct Measured {
    double seconds = 0;
    double peakRssMib = 0;
};

// Runs the command in a child process to its end: the wall time from start to exit and the
// child's peak resident memory. Throws std::runtime_error unless it exits with status 0.
Measured run(const Command& command);

}  // namespace quorvel::bench
