#include <windows.h>

#include <algorithm>
#include <memory>

#include "platform/file.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

constexpr std::int64_t repaintInterval = std::int64_t{32} << 20;
// Large blocks keep the number of system calls low; far below ReadFile's 32-bit count.
constexpr DWORD blockSize = 4 << 20;

[[noreturn]] void endedEarly(const File& from) {
    throw RunError("Cannot read " + from.path() +
                   ": it ended before its expected length, so it changed during the run.");
}

DWORD readBlock(File& from, char* buffer, std::int64_t wanted) {
    const auto size = static_cast<DWORD>(std::min<std::int64_t>(wanted, blockSize));
    DWORD got = 0;
    if (!ReadFile(from.handle(), buffer, size, &got, nullptr)) {
        throwSystemError("Cannot read", from.path());
    }
    if (got == 0) endedEarly(from);
    return got;
}

void writeBlock(File& to, const char* buffer, DWORD size) {
    for (DWORD written = 0; written < size;) {
        DWORD put = 0;
        if (!WriteFile(to.handle(), buffer + written, size - written, &put, nullptr)) {
            throwSystemError("Cannot write", to.path());
        }
        written += put;
    }
}

}  // namespace

void copyBytes(File& from, File& to, std::int64_t length,
               const std::function<void()>& betweenBlocks) {
    const auto size = static_cast<std::size_t>(std::min<std::int64_t>(length, blockSize));
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[std::max<std::size_t>(size, 1)]);
    if (!buffer) throw RunError("Not enough memory to copy " + to.path() + ".");
    std::int64_t sinceRepaint = 0;
    for (std::int64_t left = length; left > 0;) {
        const DWORD got = readBlock(from, buffer.get(), left);
        writeBlock(to, buffer.get(), got);
        left -= got;
        sinceRepaint += got;
        if (sinceRepaint >= repaintInterval && left > 0 && betweenBlocks) {
            betweenBlocks();
            sinceRepaint = 0;
        }
    }
}

}  // namespace quorvel
