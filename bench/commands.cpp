#include "bench/commands.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace quorvel::bench {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

void noteStop(int signal) {
    stopSignal = signal;
}

// In the child, before it starts: joins the cgroup so that what it writes is counted there.
bool joinCgroup(const std::string& procs) {
    if (procs.empty()) return true;
    const int file = ::open(procs.c_str(), O_WRONLY);
    char pid[24];
    const int length = std::snprintf(pid, sizeof pid, "%d", static_cast<int>(::getpid()));
    const bool joined = file >= 0 && ::write(file, pid, static_cast<std::size_t>(length)) == length;
    if (file >= 0) ::close(file);
    return joined;
}

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
            ::chdir(command.folder.c_str()) != 0 || !joinCgroup(command.cgroup)) {
            ::_exit(126);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    bool stopped = false;
    while (::wait4(child, &status, 0, &usage) != child) {
        if (errno != EINTR) throw std::runtime_error("Lost the child running " + describe(command));
        if (stopSignal) stopped = ::kill(child, SIGTERM) == 0;
    }
    if (stopped) throwIfStopped();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("This failed: " + describe(command));
    }
    return {elapsed.count(), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

void stopOnSignals() {
    struct sigaction action {};
    action.sa_handler = noteStop;  // without SA_RESTART, so that a wait for a child returns
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void throwIfStopped() {
    if (stopSignal) {
        throw std::runtime_error(std::string("stopped by ") + ::strsignal(stopSignal));
    }
}

}  // namespace quorvel::bench
