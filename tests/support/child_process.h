#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

namespace quorvel::testing {

// A program of ours run in a process of its own, as a script or a desktop starts it: its standard
// output read here line by line, its standard error kept whole.
class ChildProcess {
  public:
    // `withoutDisplay`: as over SSH, with no display for a window to open on.
    explicit ChildProcess(std::vector<std::string> arguments, bool withoutDisplay = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line it printed; empty at its end.
    std::string line();
    // Everything it printed from here to its end.
    std::string output();
    // Waits for it to end; its status, as waitpid gives it.
    int wait();
    // Sends `number`, then waits.
    int end(int number);
    // What it printed on its standard error; whole once it has ended.
    std::string errors() const;

  private:
    pid_t pid_ = -1;
    int status_ = 0;
    FILE* output_ = nullptr;
    std::string errorsPath_;
};

}  // namespace quorvel::testing
