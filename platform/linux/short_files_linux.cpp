#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "platform/copy/short_files.h"
#include "platform/linux/sync_range.h"
#include "platform/posix/unique_fd.h"
#include "platform/run_error.h"

namespace quorvel {
struct ShortFiles::Batch {
    struct Pending {
        UniqueFd fd;
        std::int64_t length;
        std::string name;
    };
    std::vector<Pending> files;

    // Every file on the medium, all the requests sent before the first wait: one request at a
    // time would leave the disk idle between them. Each descriptor closes with the batch.
    void writeOut() const {
        for (const Pending& file : files)
            syncRange(file.fd.get(), file.name, 0, file.length, startRange);
        for (const Pending& file : files) {
            syncRange(file.fd.get(), file.name, 0, file.length, writeAndWaitForRange);
        }
    }
};

ShortFiles::ShortFiles() : filling_(std::make_unique<Batch>()) {}

ShortFiles::~ShortFiles() = default;

void ShortFiles::add(const File& file, std::int64_t length) {
    UniqueFd fd(::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0));
    if (!fd) throwSystemError("Cannot write", file.name());
    filling_->files.push_back({std::move(fd), length, file.name()});
}

bool ShortFiles::full() const {
    return filling_->files.size() >= mostInABatch;
}

std::function<void()> ShortFiles::takeBatch() {
    std::shared_ptr<const Batch> batch = std::exchange(filling_, std::make_unique<Batch>());
    return [batch] { batch->writeOut(); };
}

// One call for the entries of all of them and the journal behind them: a flush of each file
// would flush the disk's own cache each time.
std::function<void()> ShortFiles::takeWhole(const std::string& folder) {
    std::shared_ptr<const Batch> batch = std::exchange(filling_, std::make_unique<Batch>());
    return [batch, folder] {
        batch->writeOut();
        const UniqueFd entries(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!entries) throwSystemError("Cannot open the folder", folder);
        if (::syncfs(entries.get()) != 0) throwSystemError("Cannot write to the folder", folder);
    };
}

}  // namespace quorvel
