#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/process.h"
#include "platform/run_error.h"

extern char** environ;

namespace quorvel {
namespace {

std::string executablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

std::string environmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

// The started program is the child of a middle process that waits for it and passes on how it
// ended as its own exit status, so the program is looked at through the middle one and, once the
// watch ends, runs on as an orphan that the system reaps: no zombie is left either way.
struct StartedProgram::Watch {
    explicit Watch(pid_t middle_) : middle(middle_) {}
    ~Watch() {
        if (state != State::running) return;
        ::kill(middle, SIGKILL);
        while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    pid_t middle;
    State state = State::running;
};

StartedProgram::StartedProgram(std::unique_ptr<Watch> watch) : watch_(std::move(watch)) {}
StartedProgram::StartedProgram(StartedProgram&&) noexcept = default;
StartedProgram::~StartedProgram() = default;

StartedProgram::State StartedProgram::state() {
    int status = 0;
    if (watch_->state == State::running && ::waitpid(watch_->middle, &status, WNOHANG) > 0) {
        const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        watch_->state = succeeded ? State::succeeded : State::failed;
    }
    return watch_->state;
}

StartedProgram startProgram(const std::string& program, const std::string& argument) {
    std::string programCopy = program, argumentCopy = argument;
    char* argv[] = {programCopy.data(), argumentCopy.data(), nullptr};
    // The start's outcome comes back through the pipe, as soon as the program runs or has failed.
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) throwSystemError("Cannot start", program);
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::close(channel[0]);
        pid_t started = 0;
        const int error =
            ::posix_spawn(&started, programCopy.c_str(), nullptr, nullptr, argv, environ);
        const bool told = ::write(channel[1], &error, sizeof error) == sizeof error;
        int status = 0;
        while (error == 0 && ::waitpid(started, &status, 0) < 0 && errno == EINTR) {
        }
        ::_exit(told && error == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
    }
    ::close(channel[1]);
    if (middle < 0) {
        ::close(channel[0]);
        throwSystemError("Cannot start", program);
    }
    StartedProgram started(std::make_unique<StartedProgram::Watch>(middle));
    int error = 0;
    ssize_t got;
    while ((got = ::read(channel[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(channel[0]);
    if (got != sizeof error) error = ECHILD;
    if (error != 0) {
        errno = error;
        throwSystemError("Cannot start", program);
    }
    return started;
}

std::string executableName() {
    std::string name = executablePath();
    name = name.substr(name.rfind('/') + 1);
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string executableFolder() {
    const std::string path = executablePath();
    const auto last = path.rfind('/');
    if (last == std::string::npos) return ".";
    return last == 0 ? "/" : path.substr(0, last);
}

}  // namespace quorvel

namespace quorvel {

void* moduleInstance() {
    return nullptr;
}

// Where "programfiles" names a folder, the browser is looked for there as on Windows; a Linux
// desktop without it opens the page in the user's browser.
std::string browserProgram() {
    const std::string programFiles = environmentVariable("programfiles");
    if (programFiles.empty()) return "/usr/bin/xdg-open";
    return programFiles + "/Internet Explorer/iexplore.exe";
}

}  // namespace quorvel
