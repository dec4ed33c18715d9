#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// The started program is the child of a middle process, a shell of our own started with
// posix_spawn (no fork of this program, whose other threads a fork would leave in any state). It
// waits two seconds at most for the program and passes on how it ended as its own exit status,
// so the program is looked at through it; once it ends, or the watch does, the program runs on as
// an orphan that the system reaps: no zombie is left either way.
constexpr const char* middleScript =
    "\"$0\" \"$1\" & started=$!\n"
    "for tenth in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do\n"
    "  kill -0 \"$started\" 2>/dev/null || { wait \"$started\"; exit $?; }\n"
    "  sleep 0.1\n"
    "done\n";

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

// A program that cannot be run at all makes the shell end at once with 126 or 127.
StartedProgram startProgram(const std::string& program, const std::string& argument) {
    if (::access(program.c_str(), X_OK) != 0) throwSystemError("Cannot start", program);
    std::string shell = "/bin/sh", dashC = "-c", script = middleScript;
    std::string programCopy = program, argumentCopy = argument;
    char* argv[] = {shell.data(),       dashC.data(),        script.data(),
                    programCopy.data(), argumentCopy.data(), nullptr};
    pid_t middle = 0;
    if (const int error = ::posix_spawn(&middle, shell.c_str(), nullptr, nullptr, argv, environ)) {
        errno = error;
        throwSystemError("Cannot start", program);
    }
    return StartedProgram(std::make_unique<StartedProgram::Watch>(middle));
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

// On Linux each thread has its own nice value. Five steps weigh it at a third of a thread at the
// default, so it still moves on a busy machine; a failure only costs speed.
void lowerThisThreadsPriority() {
    const auto thread = static_cast<id_t>(::gettid());
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0) ::setpriority(PRIO_PROCESS, thread, std::min(now + 5, 19));
}

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
