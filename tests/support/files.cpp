#include "tests/support/files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/file_system.h"

namespace fs = std::filesystem;

namespace quorvel::testing {

TempFolder::TempFolder() : TempFolder(fs::temp_directory_path().string()) {}

TempFolder::TempFolder(const std::string& base) {
    std::random_device random;
    for (;;) {
        fs::path candidate = fs::path(base) / ("quorvel-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempFolder::withSeparator() const { return path_ + nativeSeparator; }

std::string TempFolder::operator/(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

std::vector<std::string> TempFolder::names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// An empty value removes the variable.
void setVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    if (value.empty()) {
        unsetenv(name.c_str());
    } else {
        setenv(name.c_str(), value.c_str(), 1);
    }
#endif
}

}  // namespace

ScopedVariable::ScopedVariable(std::string name, const std::string& value)
    : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    setVariable(name_, value);
}

ScopedVariable::~ScopedVariable() { setVariable(name_, previous_.value_or("")); }

std::string pieceIn(const std::string& folder, const std::string& name, int n,
                    const std::string& extension) {
    return (fs::path(folder) / (name + "_" + std::to_string(n) + extension)).string();
}

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string patternBytes(std::size_t length, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(length, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator() & 0xff);
    return bytes;
}

bool exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

int openFileCount() {
#ifdef __linux__
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
#else
    return 0;
#endif
}

}  // namespace quorvel::testing
