#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file.h"

namespace quorvel {

// A folder whose files are named by their names in it. Where the system looks names up from an
// open folder (POSIX), it is held open, so that each call walks one name and not the whole path
// again: for tens of thousands of small pieces, walking their paths costs as much as copying them.
// What fails throws RunError naming the file's whole path.
class Folder {
public:
    // `leading`: a path up to and including its last separator, or "" for the current folder.
    explicit Folder(std::string leading);
    // The folder that holds the file at `path`.
    static Folder containing(const std::string& path);
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder();

    // The folder itself as a path, as syncFolder() takes it.
    std::string path() const;
    // The path of the file `name` in it, as messages give it.
    std::string pathOf(const std::string& name) const { return leading_ + name; }
    // The name in it of the file at `path`, a path that pathOf() gave.
    std::string nameOf(const std::string& path) const { return path.substr(leading_.size()); }
    // The length of the file `name` when it is an ordinary file, as ordinaryFileLength() finds it.
    std::optional<std::int64_t> ordinaryFileLength(const std::string& name) const;
    // The file `name`, opened as File::openForReading() opens its path.
    File openForReading(const std::string& name) const;
    // Creates a new file named `stem`, ten letters or digits and ".tmp", that no one else can
    // have opened, with exactly the permission bits `permissions`; no link or existing file is
    // ever followed. It is held while it is open, so that another run can tell it from one a
    // crash left (removeIfUnheld). Messages about it name `shownAs`, the file it will become,
    // never the temporary name.
    File createTemporary(const std::string& stem, unsigned permissions,
                         const std::string& shownAs) const;
    // Removes the file `name` unless a running program holds it open as createTemporary() does;
    // true when it went.
    bool removeIfUnheld(const std::string& name) const;
    // Moves the file `from` over `to` in one step, replacing what was at `to`.
    void replace(const std::string& from, const std::string& to) const;
    // Bytes that replacing the file `name` gives back: what it holds on the disk when it is an
    // ordinary file no other name shares, else 0 (a link, a folder, nothing there).
    std::int64_t spaceFreedByReplacing(const std::string& name) const;

private:
    std::string leading_;
    NativeHandle handle_;
};

}  // namespace quorvel
