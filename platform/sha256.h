#pragma once

#include <array>
#include <memory>
#include <span>

namespace quorvel {

using Digest = std::array<unsigned char, 32>;

// The SHA-256 of bytes given in turn, by the system's own library: OpenSSL's libcrypto on Linux
// (which uses the processor's SHA instructions), BCrypt on Windows. Every failure throws RunError.
class Sha256 {
  public:
    Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    ~Sha256();

    void add(std::span<const char> bytes);
    // The digest of everything added since the last one.
    Digest finish();

  private:
    struct State;  // per system
    std::unique_ptr<State> state_;
};

}  // namespace quorvel
