#include <windows.h>

#include <cwctype>

#include "platform/run_error.h"
#include "platform/win32/wide_text.h"

namespace quorvel {
namespace {

// The system's own sentence for an error code, without its closing full stop and line break.
std::string reasonFor(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = length > 0 ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!reason.empty() && (iswspace(reason.back()) || reason.back() == L'.')) {
        reason.pop_back();
    }
    if (reason.empty()) return "system error " + std::to_string(code);
    return narrowed(reason);
}

}  // namespace

void throwSystemError(const std::string& action, const std::string& path) {
    const DWORD code = GetLastError();
    throw RunError(action + " " + path + ": " + reasonFor(code) + ".");
}

}  // namespace quorvel
