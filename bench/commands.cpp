#include "bench/commands.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace quorvel::bench {
namespace {

std::string describe(const Command& command) {
    std::string text;
    for (const std::string& argument : command.arguments) {
        if (text.size() > 200) return text + " ...";
        text += (text.empty() ? "" : " ") + argument;
    }
    return text;
}

}  // namespace

Measured run(const Command& command) {
    std::vector<char*> argv;
    for (const std::string& argument : command.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    // A child's peak memory counts what it starts with, and a vfork child starts with all of this
    // process: so a plain fork, after handing the free heap back, leaves it only the pages this
    // small process really uses.
    ::malloc_trim(0);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("Cannot start " + describe(command));
    if (child == 0) {
        const int output = ::open(command.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (output < 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
            ::chdir(command.folder.c_str()) != 0) {
            ::_exit(126);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) {
        throw std::runtime_error("Lost the child running " + describe(command));
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("This failed: " + describe(command));
    }
    return {elapsed.count(), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

}  // namespace quorvel::bench
