#include "platform/copy/output_file.h"

#include <algorithm>
#include <utility>

#include "platform/copy/write_out.h"
#include "platform/file_system.h"

namespace quorvel {

namespace {

constexpr std::string_view ours = ".quorvel-";
constexpr std::string_view ending = ".tmp";
constexpr std::size_t suffixLength = 10;
// A name holds at most 255 bytes, of which the temporary's own take 24.
constexpr std::size_t longestKept = 255 - 1 - ours.size() - suffixLength - ending.size();

// The file's name cut to what fits, at a whole character of UTF-8.
std::string temporaryStem(const std::string& name) {
    std::size_t kept = std::min(name.size(), longestKept);
    while (kept > 0 && kept < name.size() && (name[kept] & 0xC0) == 0x80) --kept;
    std::string stem = ".";
    stem.append(name, 0, kept);
    stem.append(ours);
    return stem;
}

}  // namespace

OutputFile::OutputFile(const Folder& folder, std::string name, unsigned permissions)
    : folder_(folder),
      name_(std::move(name)),
      file_(folder.createTemporary(temporaryStem(name_), permissions, folder.pathOf(name_))) {}

bool OutputFile::isTemporaryName(std::string_view name) {
    const std::size_t tail = ours.size() + suffixLength + ending.size();
    return name.size() > tail + 1 && name.front() == '.' && name.ends_with(ending) &&
           name.substr(name.size() - tail, ours.size()) == ours;
}

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

void OutputFile::writeOutWritten() {
    startWriteOut(file_, stepBegin_, written_);
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
