#include <windows.h>
// windows.h first
#include <bcrypt.h>

#include <algorithm>

#include "platform/owned.h"
#include "platform/run_error.h"
#include "platform/sha256.h"

namespace quorvel {
namespace {

struct AlgorithmTraits {
    using Handle = BCRYPT_ALG_HANDLE;
    static BCRYPT_ALG_HANDLE none() { return nullptr; }
    static bool holds(BCRYPT_ALG_HANDLE algorithm) { return algorithm != nullptr; }
    static void giveBack(BCRYPT_ALG_HANDLE algorithm) {
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

struct HashTraits {
    using Handle = BCRYPT_HASH_HANDLE;
    static BCRYPT_HASH_HANDLE none() { return nullptr; }
    static bool holds(BCRYPT_HASH_HANDLE hash) { return hash != nullptr; }
    static void giveBack(BCRYPT_HASH_HANDLE hash) { BCryptDestroyHash(hash); }
};

bool succeeded(NTSTATUS status) {
    return status >= 0;
}

[[noreturn]] void failed() {
    throw RunError("The SHA-256 digest could not be computed.");
}

}  // namespace

struct Sha256::State {
    Owned<AlgorithmTraits> algorithm;
    Owned<HashTraits> hash;

    void begin() {
        BCRYPT_HASH_HANDLE made = nullptr;
        if (!succeeded(BCryptCreateHash(algorithm.get(), &made, nullptr, 0, nullptr, 0, 0))) {
            failed();
        }
        hash.reset(made);
    }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        failed();
    }
    state_->algorithm.reset(algorithm);
    state_->begin();
}

Sha256::~Sha256() = default;

// BCryptHashData takes at most 4 GiB - 1 at a time.
void Sha256::add(std::span<const char> bytes) {
    constexpr std::size_t mostAtOnce = 1u << 30;
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t part = std::min(bytes.size() - done, mostAtOnce);
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + done));
        if (!succeeded(BCryptHashData(state_->hash.get(), data, static_cast<ULONG>(part), 0))) {
            failed();
        }
        done += part;
    }
}

Digest Sha256::finish() {
    Digest digest{};
    if (!succeeded(BCryptFinishHash(state_->hash.get(), digest.data(),
                                    static_cast<ULONG>(digest.size()), 0))) {
        failed();
    }
    state_->begin();
    return digest;
}

}  // namespace quorvel
