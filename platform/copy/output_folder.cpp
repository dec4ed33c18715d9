#include "platform/copy/output_folder.h"

#include "platform/blocking_calls.h"
#include "platform/copy/copy_loop.h"
#include "platform/file_system.h"

namespace quorvel {

OutputFolder::OutputFolder(const std::string& path, Answering& answering, Pace::Clock clock)
    : folder_(Folder::containing(path)),
      answering_(answering),
      pace_(clock ? std::move(clock) : &std::chrono::steady_clock::now) {}

std::unique_ptr<OutputFile> OutputFolder::create(const std::string& name,
                                                 unsigned permissions) const {
    return std::make_unique<OutputFile>(folder_, name, permissions);
}

void OutputFolder::removeStaleTemporaries() const {
    forEachFolderEntry(folder_.path(), [this](std::string_view name) {
        answering_.nowAndThen();
        if (OutputFile::isTemporaryName(name)) folder_.removeIfUnheld(std::string(name));
    });
}

std::span<const char> OutputFolder::copy(File& from, OutputFile& into, std::int64_t length,
                                         const std::function<void(std::int64_t)>& afterStep) {
    return copyBytes(from, into, length, parts(), afterStep);
}

void OutputFolder::sendOnItsWay(OutputFile& file) {
    writeGathered(parts());
    answering_.whileCalling([&file] { file.writeOutWritten(); });
}

void OutputFolder::place(OutputFile& file) {
    end(file);
    file.putInPlace();
}

void OutputFolder::placeLast(OutputFile& file) {
    end(file);
    awaitEverything();
    answering_.whileCalling([&file, folder = folder_.path()] {
        file.putInPlace();
        syncFolder(folder);
    });
}

void OutputFolder::placeDurably(OutputFile& file) {
    writeGathered(parts());
    answering_.whileCalling([&file, folder = folder_.path()] {
        file.writeOutRest();
        file.flush();
        file.putInPlace();
        syncFolder(folder);
    });
}

CopyParts OutputFolder::parts() {
    return {pace_, gathered_, answering_};
}

// A file of several steps has at most three still to come, and waits for them alone. Files
// shorter than a step are waited for together, a step's worth at a time; their entries, and the
// journal behind them, once the run is complete (awaitEverything): a flush of each file would
// flush the disk's own cache each time.
void OutputFolder::end(OutputFile& file) {
    if (file.ended()) return;
    file.markEnded();
    unsettled_ = true;
    writeGathered(parts());
    if (file.onItsWay()) {
        answering_.whileCalling([&file] { file.writeOutRest(); });
        return;
    }
    shortFiles_.add(file.file(), file.written());
    shortBytes_ += file.written();
    if (shortBytes_ >= pace_.stepSize() || shortFiles_.full()) passOnShortFiles();
}

// The batch passed on before is waited for first, so at most two are on their way.
void OutputFolder::passOnShortFiles() {
    if (shortFilesOnTheirWay_.valid()) answering_.whileAwaiting(shortFilesOnTheirWay_);
    shortFilesOnTheirWay_ = callInTurn(shortFiles_.takeBatch());
    pace_.stepMade(shortBytes_);
    shortBytes_ = 0;
}

void OutputFolder::awaitEverything() {
    if (!unsettled_) return;
    if (shortFilesOnTheirWay_.valid()) answering_.whileAwaiting(shortFilesOnTheirWay_);
    answering_.whileCalling(shortFiles_.takeWhole(folder_.path()));
    shortBytes_ = 0;
    unsettled_ = false;
}

}  // namespace quorvel
