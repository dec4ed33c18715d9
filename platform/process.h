#pragma once

#include <memory>
#include <string>

namespace quorvel {

// The variable's text, or an empty text when it is not set.
std::string environmentVariable(const std::string& name);

// A program started on its own. It is looked at, never waited for, and only while this object
// lives; afterwards it runs on unwatched and leaves nothing behind when it ends.
class StartedProgram {
  public:
    enum class State { running, succeeded, failed };

    struct Watch;  // per system
    explicit StartedProgram(std::unique_ptr<Watch> watch);
    StartedProgram(StartedProgram&&) noexcept;
    ~StartedProgram();

    // Whether it still runs or how it ended, as far as the system tells at once.
    State state();

  private:
    std::unique_ptr<Watch> watch_;
};

// Starts `program` with one argument and returns without waiting; throws RunError when the
// program cannot be started. No shell or command-line parsing is involved.
StartedProgram startProgram(const std::string& program, const std::string& argument);

// The running program's file name without its extension.
std::string executableName();
// The folder that holds the running program, without a trailing separator except at a root.
std::string executableFolder();

// Lets the calling thread run behind the program's other threads and those of the programs around
// it, for work that only needs the processor time they leave.
void lowerThisThreadsPriority();

// The running program's module instance, for the system dialogs (null where there is none).
void* moduleInstance();

// The browser the update link starts: Internet Explorer under the program-files folder.
std::string browserProgram();

}  // namespace quorvel
