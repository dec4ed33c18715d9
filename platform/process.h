#pragma once

#include <string>

namespace quorvel {

// The variable's text, or an empty text when it is not set.
std::string environmentVariable(const std::string& name);

// Starts `program` with one argument and returns without waiting; throws RunError when the
// program cannot be started. No shell or command-line parsing is involved.
void startProgram(const std::string& program, const std::string& argument);

// The running program's file name without its extension.
std::string executableName();
// The folder that holds the running program, without a trailing separator except at a root.
std::string executableFolder();

// The running program's module instance, for the system dialogs (null where there is none).
void* moduleInstance();

// The browser the update link starts: Internet Explorer under the program-files folder.
std::string browserProgram();

}  // namespace quorvel
