#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

#ifdef _WIN32
using NativeHandle = void*;
#else
using NativeHandle = int;
#endif

// Device and file number (or volume serial and file index): equal for two names of one file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// An open file, closed when the object goes. Every failure throws RunError naming the path.
class File {
public:
    static File openForReading(const std::string& path);
    // The same file again, to be read with readAt() on another thread: its reads never move this
    // handle's position, and it stays this file whatever its name leads to meanwhile.
    File reopenedForReading() const;

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    const std::string& path() const { return path_; }
    // The file as messages name it: the user's file, which a temporary one stands in for.
    const std::string& name() const { return name_; }
    NativeHandle handle() const { return handle_; }
    std::int64_t length() const;
    // The length of a file opened for reading, as it was when it was opened.
    std::int64_t lengthWhenOpened() const { return lengthWhenOpened_; }
    FileIdentity identity() const;
    // Who may read, write and run it; never the set-user or set-group bits, so a file made from
    // another user's pieces cannot run with the rights of whoever joined them.
    unsigned permissions() const;
    // Makes the content durable before the caller relies on it.
    void flush();
    // Closes now and reports a failed close, which can mean lost data.
    void close();

private:
    friend class Folder;
    File(NativeHandle handle, std::string path, std::string name);
    NativeHandle handle_;
    std::string path_;
    std::string name_;
    std::int64_t lengthWhenOpened_ = 0;
};

}  // namespace quorvel
