#include <windows.h>

#include <vector>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/run_error.h"
#include "platform/win32/scoped_win.h"
#include "platform/win32/wide_text.h"

namespace quorvel {
namespace {

std::wstring executablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

// One argument as the started program's command-line parser reads it back: quoted when it holds
// a blank or a quote, with the backslashes before a quote doubled.
std::wstring quotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
        } else {
            quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
        }
        quoted += c;
    }
    return quoted.append(backslashes, L'\\') + L"\"";
}

}  // namespace

std::string environmentVariable(const std::string& name) {
    const std::wstring wideName = widened(name);
    std::wstring value(GetEnvironmentVariableW(wideName.c_str(), nullptr, 0), L'\0');
    if (value.empty()) return "";
    value.resize(
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size())));
    return narrowed(value);
}

struct StartedProgram::Watch {
    OwnedHandle process;
    State state = State::running;
};

StartedProgram::StartedProgram(std::unique_ptr<Watch> watch) : watch_(std::move(watch)) {}
StartedProgram::StartedProgram(StartedProgram&&) noexcept = default;
StartedProgram::~StartedProgram() = default;

StartedProgram::State StartedProgram::state() {
    DWORD exitCode = 0;
    if (watch_->state == State::running &&
        WaitForSingleObject(watch_->process.get(), 0) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(watch_->process.get(), &exitCode)) {
        watch_->state = exitCode == 0 ? State::succeeded : State::failed;
    }
    return watch_->state;
}

// The program is named on its own, so the system never guesses where an unquoted path with
// blanks ends (C:\Program.exe for C:\Program Files\...); the command line is only its argument.
StartedProgram startProgram(const std::string& program, const std::string& argument) {
    const std::wstring programPath = widened(program);
    std::wstring commandLine = L"\"" + programPath + L"\" " + quotedArgument(widened(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started)) {
        throwSystemError("Cannot start", program);
    }
    const OwnedHandle thread(started.hThread);
    return StartedProgram(std::make_unique<StartedProgram::Watch>(
        StartedProgram::Watch{OwnedHandle(started.hProcess)}));
}

std::string executableName() {
    std::wstring name = executablePath();
    name = name.substr(name.rfind(L'\\') + 1);
    const auto dot = name.rfind(L'.');
    return narrowed(dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot));
}

std::string executableFolder() {
    return folderOf(narrowed(executablePath()), '\\');
}

// The system still lets a thread below normal run now and then when others keep the processor busy.
void lowerThisThreadsPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

void* moduleInstance() {
    return GetModuleHandleW(nullptr);
}

std::string browserProgram() {
    return environmentVariable("programfiles") + "\\Internet Explorer\\iexplore.exe";
}

}  // namespace quorvel
