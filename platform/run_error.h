#pragma once

#include <stdexcept>
#include <string>

namespace quorvel {

// The one error type of the program. Its text is shown to the user as it stands, so it says what
// failed, on which path, and why.
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised when the window is closed while a run works; the run stops without a message.
class RunCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "The run was stopped."; }
};

// "<action> <path>: <the system's reason>", the reason read from the last failed system call.
[[noreturn]] void throwSystemError(const std::string& action, const std::string& path);

}  // namespace quorvel
