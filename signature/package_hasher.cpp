#include "signature/package_hasher.h"

#include <sodium.h>

namespace sig {

struct PackageHasher::State {
    crypto_generichash_state hash;
};

PackageHasher::PackageHasher() : state_(new State) { Reset(); }

PackageHasher::~PackageHasher() { sodium_memzero(&state_->hash, sizeof state_->hash); }

void PackageHasher::Reset() { crypto_generichash_init(&state_->hash, nullptr, 0, kDigestSize); }

void PackageHasher::Update(const void* data, std::size_t size) {
    crypto_generichash_update(&state_->hash, static_cast<const unsigned char*>(data), size);
}

Digest PackageHasher::Finish() {
    Digest digest{};
    crypto_generichash_final(&state_->hash, digest.data(), digest.size());
    return digest;
}

}  // namespace sig
