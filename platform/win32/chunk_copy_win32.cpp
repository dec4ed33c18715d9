#include <windows.h>

#include <algorithm>
#include <memory>

#include "platform/copy/chunk_copy.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// Large blocks keep the number of system calls low; far below ReadFile's 32-bit count.
constexpr DWORD blockSize = 4 << 20;

}  // namespace

std::int64_t readSome(File& from, char* buffer, std::int64_t wanted) {
    const auto size = static_cast<DWORD>(std::min<std::int64_t>(wanted, blockSize));
    DWORD got = 0;
    if (!ReadFile(from.handle(), buffer, size, &got, nullptr)) {
        throwSystemError("Cannot read", from.name());
    }
    if (got == 0) throwEndedEarly(from);
    return got;
}

// A positional read moves a synchronous handle's position too, so it suits a handle of its own.
std::int64_t readAt(File& from, std::int64_t offset, char* buffer, std::int64_t wanted) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const auto size = static_cast<DWORD>(std::min<std::int64_t>(wanted, blockSize));
    if (!ReadFile(from.handle(), buffer, size, &got, &at) && GetLastError() != ERROR_HANDLE_EOF) {
        throwSystemError("Cannot read", from.name());
    }
    return got;
}

// Windows cannot tell without reading whether the cache holds a file's bytes.
std::optional<std::int64_t> readHeldAt(File&, std::int64_t, char*, std::int64_t) {
    return std::nullopt;
}

// A write of nothing would be made again forever: the disk has no room.
void writeAll(File& to, const char* bytes, std::int64_t length) {
    for (std::int64_t written = 0; written < length;) {
        const auto size = static_cast<DWORD>(std::min<std::int64_t>(length - written, blockSize));
        DWORD put = 0;
        if (!WriteFile(to.handle(), bytes + written, size, &put, nullptr)) {
            throwSystemError("Cannot write", to.name());
        }
        if (put == 0) {
            SetLastError(ERROR_DISK_FULL);
            throwSystemError("Cannot write", to.name());
        }
        written += put;
    }
}

struct ChunkCopier::State {
    File& from;
    File& to;
    std::unique_ptr<char[]> buffer;
    DWORD size;
};

ChunkCopier::ChunkCopier(File& from, File& to, std::int64_t length) {
    const auto size = static_cast<DWORD>(std::clamp<std::int64_t>(length, 1, blockSize));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer) throw RunError("Not enough memory to copy " + to.name() + ".");
    state_.reset(new State{from, to, std::move(buffer), size});
}

ChunkCopier::~ChunkCopier() = default;

std::int64_t ChunkCopier::copy(std::int64_t wanted) {
    State& s = *state_;
    const std::int64_t got =
        readSome(s.from, s.buffer.get(), std::min<std::int64_t>(wanted, s.size));
    writeAll(s.to, s.buffer.get(), got);
    return got;
}

}  // namespace quorvel
