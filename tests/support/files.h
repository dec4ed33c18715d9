#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvel::testing {

// A fresh folder for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder();
    // A folder under `base` instead of the system's temporary folder.
    explicit TempFolder(const std::string& base);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // The path with the system's separator at its end, as a picked source proposes its folder.
    std::string withSeparator() const;
    // The path of `name` in this folder.
    std::string operator/(const std::string& name) const;
    // The names in the folder, sorted.
    std::vector<std::string> names() const;

private:
    std::string path_;
};

// Sets an environment variable for the life of the object, then puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const std::string& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Piece `n` of the set of `name` in `folder`: `<folder>/<name>_<n>.xst`, or with `extension`
// for a set a user renamed.
std::string pieceIn(const std::string& folder, const std::string& name, int n,
                    const std::string& extension = ".xst");

std::string bytesOf(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
// `length` bytes that differ from position to position, so a misplaced slice shows.
std::string patternBytes(std::size_t length, unsigned seed = 1);
bool exists(const std::string& path);
// Open file descriptors of this process (0 where the system cannot tell).
int openFileCount();

}  // namespace quorvel::testing
