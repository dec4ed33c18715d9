#include "tests/support/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

#include "tests/support/files.h"

extern char** environ;

namespace quorvel::testing {
namespace {

// The environment, less what tells a program where a display is.
std::vector<std::string> environmentWithoutDisplay() {
    std::vector<std::string> kept;
    for (char** variable = environ; *variable; ++variable) {
        const std::string entry = *variable;
        if (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY=") ||
            entry.starts_with("QT_QPA_PLATFORM=")) {
            continue;
        }
        kept.push_back(entry);
    }
    return kept;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> all;
    for (std::string& text : texts) all.push_back(text.data());
    all.push_back(nullptr);
    return all;
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> arguments, bool withoutDisplay) {
    char errors[] = "/tmp/quorvel-child-errors-XXXXXX";
    const int errorsFd = ::mkstemp(errors);
    if (errorsFd < 0) throw std::runtime_error("no file for the child's errors");
    errorsPath_ = errors;
    int channel[2];
    if (::pipe(channel) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errorsFd, STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, channel[0]);
    std::vector<std::string> environment;
    if (withoutDisplay) {
        environment = environmentWithoutDisplay();
    } else {
        for (char** variable = environ; *variable; ++variable) environment.emplace_back(*variable);
    }
    std::vector<char*> argv = pointers(arguments), envp = pointers(environment);
    const int error = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(channel[1]);
    ::close(errorsFd);
    output_ = ::fdopen(channel[0], "r");
    if (error != 0 || !output_) throw std::runtime_error("cannot start " + arguments.front());
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) end(SIGKILL);
    if (output_) std::fclose(output_);
    ::unlink(errorsPath_.c_str());
}

std::string ChildProcess::line() {
    char text[4096];
    if (!std::fgets(text, sizeof text, output_)) return "";
    std::string read = text;
    if (!read.empty() && read.back() == '\n') read.pop_back();
    return read;
}

std::string ChildProcess::output() {
    std::string all;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, output_)) > 0;) {
        all.append(buffer, got);
    }
    return all;
}

int ChildProcess::wait() {
    if (pid_ < 0) return status_;
    while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status_;
}

int ChildProcess::end(int number) {
    if (pid_ > 0) ::kill(pid_, number);
    return wait();
}

std::string ChildProcess::errors() const {
    return bytesOf(errorsPath_);
}

}  // namespace quorvel::testing
