#include <windows.h>

#include <algorithm>
#include <memory>

#include "platform/copy.h"
#include "platform/run_error.h"

namespace quorvel {
namespace {

// Large blocks keep the number of system calls low; far below ReadFile's 32-bit count.
constexpr DWORD blockSize = 4 << 20;

[[noreturn]] void endedEarly(const File& from) {
    throw RunError("Cannot read " + from.name() +
                   ": it ended before its expected length, so it changed during the run.");
}

void flushed(File& file) {
    if (!FlushFileBuffers(file.handle())) throwSystemError("Cannot write", file.name());
}

}  // namespace

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

std::int64_t readSome(File& from, char* buffer, std::int64_t wanted) {
    const auto size = static_cast<DWORD>(std::min<std::int64_t>(wanted, blockSize));
    DWORD got = 0;
    if (!ReadFile(from.handle(), buffer, size, &got, nullptr)) {
        throwSystemError("Cannot read", from.name());
    }
    if (got == 0) endedEarly(from);
    return got;
}

void writeAll(File& to, const char* bytes, std::int64_t length) {
    for (std::int64_t written = 0; written < length;) {
        const auto size = static_cast<DWORD>(std::min<std::int64_t>(length - written, blockSize));
        DWORD put = 0;
        if (!WriteFile(to.handle(), bytes + written, size, &put, nullptr)) {
            throwSystemError("Cannot write", to.name());
        }
        written += put;
    }
}

// Windows starts writing a file out on its own and offers no wait for part of one: a step is
// waited for by flushing the whole file, and every file is flushed as it ends.
void startWriteOut(File&, std::int64_t, std::int64_t) {}

void awaitWriteOut(File& file, std::int64_t begin, std::int64_t end) {
    if (end > begin) flushed(file);
}

// Windows has no wait for part of the disk's work, so each file is flushed as it ends.
struct ShortFiles::State {};

ShortFiles::ShortFiles() = default;
ShortFiles::~ShortFiles() = default;

void ShortFiles::add(File& file, std::int64_t) { flushed(file); }

bool ShortFiles::full() const { return false; }

void ShortFiles::passOn() {}

void ShortFiles::awaitWhole(const std::string&) {}

}  // namespace quorvel
