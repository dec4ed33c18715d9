#pragma once

#include <string>
#include <vector>

// The terminal's door: `quorvel --split FILE PARTS [FOLDER]` and `quorvel --join FIRST_PIECE
// [FOLDER] [--delete]` run the engine's split and join with no window and no display, for
// scripts and sessions over SSH.
namespace quorvel::terminal {

// True when the arguments are options for the terminal rather than a file for the window.
bool wanted(const std::vector<std::string>& arguments);

// Runs what the arguments ask for; the program's exit status: 0 once the completion message is
// out and nothing failed after it, 1 for a refusal or a failure, 2 for a usage error, and 128 +
// the signal's number for a run a signal stopped.
int run(const std::vector<std::string>& arguments);

}  // namespace quorvel::terminal
