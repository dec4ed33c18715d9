#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <climits>

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

void startProgram(const std::string& program, const std::string& argument) {
    std::string programCopy = program, argumentCopy = argument;
    char* argv[] = {programCopy.data(), argumentCopy.data(), nullptr};
    // Started through a short-lived middle process, so the program runs on its own and leaves no
    // zombie behind; the middle one passes the start's outcome back as its exit status.
    const pid_t middle = ::fork();
    if (middle < 0) throwSystemError("Cannot start", program);
    if (middle == 0) {
        pid_t started = 0;
        ::_exit(::posix_spawn(&started, programCopy.c_str(), nullptr, nullptr, argv, environ));
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    const int error = WIFEXITED(status) ? WEXITSTATUS(status) : ECHILD;
    if (error != 0) {
        errno = error;
        throwSystemError("Cannot start", program);
    }
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

void* moduleInstance() { return nullptr; }

// Where "programfiles" names a folder, the browser is looked for there as on Windows; a Linux
// desktop without it opens the page in the user's browser.
std::string browserProgram() {
    const std::string programFiles = environmentVariable("programfiles");
    if (programFiles.empty()) return "/usr/bin/xdg-open";
    return programFiles + "/Internet Explorer/iexplore.exe";
}

}  // namespace quorvel
