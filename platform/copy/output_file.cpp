#include "platform/copy/output_file.h"

#include <utility>

#include "platform/copy/write_out.h"
#include "platform/file_system.h"

namespace quorvel {

OutputFile::OutputFile(const Folder& folder, std::string name, unsigned permissions)
    : folder_(folder),
      name_(std::move(name)),
      file_(folder.createTemporary(".quorvel", permissions, folder.pathOf(name_))) {}

OutputFile::~OutputFile() {
    if (inPlace_) return;
    const std::string temporary = file_.path();
    { File closing = std::move(file_); }  // closed first: Windows removes no open file
    discardFile(temporary);
}

// With only one step on its way, the disk would stand idle each time it finished one before the
// next was written. Starting a write-out waits too, once the disk's queue is full.
void OutputFile::writeOutStep() {
    startWriteOut(file_, stepBegin_, written_);
    awaitWriteOut(file_, onMedium_, lastStarted_);
    onMedium_ = lastStarted_;
    lastStarted_ = stepBegin_;
    stepBegin_ = written_;
}

void OutputFile::writeOutRest() {
    awaitWriteOut(file_, onMedium_, written_);
    onMedium_ = written_;
}

void OutputFile::putInPlace() {
    file_.close();
    folder_.replace(folder_.nameOf(file_.path()), name_);
    inPlace_ = true;
}

}  // namespace quorvel
