#include <windows.h>

#include <memory>
#include <vector>

#include "platform/copy/short_files.h"
#include "platform/run_error.h"
#include "platform/win32/scoped_win.h"

namespace quorvel {

// Windows has no wait for part of the disk's work, so each file of a batch is flushed, under a
// handle of the batch's own; the moves that put them in place write through.
struct ShortFiles::Batch {
    struct Pending {
        OwnedHandle handle;
        std::string name;
    };
    std::vector<Pending> files;

    void writeOut() const {
        for (const Pending& file : files) {
            if (!FlushFileBuffers(file.handle.get())) throwSystemError("Cannot write", file.name);
        }
    }
};

ShortFiles::ShortFiles() : filling_(std::make_unique<Batch>()) {}

ShortFiles::~ShortFiles() = default;

void ShortFiles::add(const File& file, std::int64_t) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file.handle(), GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        throwSystemError("Cannot write", file.name());
    }
    OwnedHandle handle(copy);
    filling_->files.push_back({std::move(handle), file.name()});
}

bool ShortFiles::full() const {
    return filling_->files.size() >= mostInABatch;
}

std::function<void()> ShortFiles::takeBatch() {
    std::shared_ptr<const Batch> batch = std::exchange(filling_, std::make_unique<Batch>());
    return [batch] { batch->writeOut(); };
}

std::function<void()> ShortFiles::takeWhole(const std::string&) {
    return takeBatch();
}

}  // namespace quorvel
