#include "signature/package_hasher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + (i >> 9)) & 255);
    return s;
}

// The hash of bytes fed in pieces of the given sizes, cycled.
sig::Digest HashInPieces(const std::string& bytes, const std::vector<std::size_t>& pieces) {
    sig::PackageHasher hasher;
    std::size_t at = 0;
    for (std::size_t i = 0; at < bytes.size(); ++i) {
        std::size_t n = std::min(pieces[i % pieces.size()], bytes.size() - at);
        hasher.Update(bytes.data() + at, n);
        at += n;
    }
    return hasher.Finish();
}

TEST(PackageHasher, SameHashWhateverTheChunks) {
    // More than twice what the hasher's buffers (4 MiB) hold at once, so the
    // ring goes round and the feeding side waits.
    std::string bytes = Pattern(9 * 1024 * 1024 + 17);
    sig::Digest whole = HashInPieces(bytes, {bytes.size()});
    EXPECT_EQ(HashInPieces(bytes, {32767}), whole);
    EXPECT_EQ(HashInPieces(bytes, {1, 65536, 65537, 7, 200000}), whole);
    EXPECT_NE(HashInPieces(bytes.substr(1), {32767}), whole);
}

TEST(PackageHasher, DroppedWhileItWorks) {
    // A hasher dropped with a download cut short must not hang or crash.
    std::string bytes = Pattern(500000);
    sig::PackageHasher dropped;
    dropped.Update(bytes.data(), bytes.size());
}

}  // namespace
