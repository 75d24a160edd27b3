// BLAKE2b-512 of one package, fed chunk by chunk while it downloads, so that
// a prehashed signature needs no second read of the file.
//
// The hash is computed on a worker thread of the hasher's own: Update only
// copies the chunk into one of a few fixed buffers (4 MiB in all, waiting
// when all are taken), so hashing overlaps the network reads instead of
// adding to them. The thread starts with the first Update and ends with
// Finish or the hasher. A run makes a hasher only when package keys are
// compiled in (sig::SignatureCheck), so a run without keys has no such thread.
// When the thread or its buffers cannot be had, Update hashes in place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace sig {

constexpr std::size_t kDigestSize = 64;
using Digest = std::array<std::uint8_t, kDigestSize>;

class PackageHasher {
public:
    PackageHasher();
    ~PackageHasher();

    void Update(const void* data, std::size_t size);
    // The hash of every byte given. Call once, after the last Update.
    Digest Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace sig
