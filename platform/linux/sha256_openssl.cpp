#include <openssl/evp.h>

#include "platform/owned.h"
#include "platform/run_error.h"
#include "platform/sha256.h"

namespace quorvel {
namespace {

struct ContextTraits {
    using Handle = EVP_MD_CTX*;
    static EVP_MD_CTX* none() { return nullptr; }
    static bool holds(EVP_MD_CTX* context) { return context != nullptr; }
    static void giveBack(EVP_MD_CTX* context) { EVP_MD_CTX_free(context); }
};

[[noreturn]] void failed() {
    throw RunError("The SHA-256 digest could not be computed.");
}

}  // namespace

struct Sha256::State {
    Owned<ContextTraits> context{EVP_MD_CTX_new()};

    void begin() {
        if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) failed();
    }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    state_->begin();
}

Sha256::~Sha256() = default;

void Sha256::add(std::span<const char> bytes) {
    if (EVP_DigestUpdate(state_->context.get(), bytes.data(), bytes.size()) != 1) failed();
}

Digest Sha256::finish() {
    Digest digest{};
    unsigned length = 0;
    if (EVP_DigestFinal_ex(state_->context.get(), digest.data(), &length) != 1 ||
        length != digest.size()) {
        failed();
    }
    state_->begin();
    return digest;
}

}  // namespace quorvel
