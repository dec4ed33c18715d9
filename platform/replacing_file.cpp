#include "platform/replacing_file.h"

#include "platform/file_system.h"

namespace quorvel {

ReplacingFile::ReplacingFile(std::string target, unsigned permissions)
    : target_(std::move(target)),
      file_(File::createTemporary(folderOf(target_), ".quorvel", permissions, target_)) {}

ReplacingFile::~ReplacingFile() {
    if (!committed_) {
        const std::string temporary = file_.path();
        { File closing = std::move(file_); }  // closed first: Windows removes no open file
        discardFile(temporary);
    }
}

void ReplacingFile::commit(Durability durability) {
    if (durability == Durability::onDisk) file_.flush();
    file_.close();
    replaceFile(file_.path(), target_);
    committed_ = true;
    if (durability != Durability::cached) syncFolder(folderOf(target_));
}

}  // namespace quorvel
