#pragma once

#include <cstdint>
#include <functional>
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
    // Creates a new file with a unique name in `folder` that no one else can have opened, with
    // exactly the permission bits `permissions`; no link or existing file is ever followed.
    static File createTemporary(const std::string& folder, const std::string& stem,
                                unsigned permissions);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    const std::string& path() const { return path_; }
    NativeHandle handle() const { return handle_; }
    std::int64_t length() const;
    FileIdentity identity() const;
    // Who may read, write and run it; never the set-user or set-group bits, so a file made from
    // another user's pieces cannot run with the rights of whoever joined them.
    unsigned permissions() const;
    // Makes the content durable before the caller relies on it.
    void flush();
    // Closes now and reports a failed close, which can mean lost data.
    void close();

private:
    File(NativeHandle handle, std::string path);
    NativeHandle handle_;
    std::string path_;
};

// Copies `length` bytes from the current position of `from` to the current position of `to`,
// in blocks; `betweenBlocks` runs after each block so a window can repaint during long copies.
// A source that ends early is an error: nothing short is ever passed off as complete.
void copyBytes(File& from, File& to, std::int64_t length,
               const std::function<void()>& betweenBlocks = {});

}  // namespace quorvel
