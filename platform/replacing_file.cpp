#include "platform/replacing_file.h"

#include "platform/file_system.h"

namespace quorvel {

ReplacingFile::ReplacingFile(const Folder& folder, const std::string& name, unsigned permissions)
    : folder_(folder),
      name_(name),
      file_(folder.createTemporary(".quorvel", permissions, folder.pathOf(name))) {}

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
    folder_.replace(folder_.nameOf(file_.path()), name_);
    committed_ = true;
    if (durability != Durability::cached) syncFolder(folderOf(folder_.pathOf(name_)));
}

}  // namespace quorvel
