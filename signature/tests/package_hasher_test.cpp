#include "signature/package_hasher.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Hex(const sig::Digest& d) {
    std::string out;
    char two[3];
    for (std::uint8_t b : d) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + (i >> 9)) & 255);
    return s;
}

// The hash of bytes fed in pieces of the given sizes, cycled.
std::string HashInPieces(const std::string& bytes, const std::vector<std::size_t>& pieces) {
    sig::PackageHasher hasher;
    std::size_t at = 0;
    for (std::size_t i = 0; at < bytes.size(); ++i) {
        std::size_t n = std::min(pieces[i % pieces.size()], bytes.size() - at);
        hasher.Update(bytes.data() + at, n);
        at += n;
    }
    return Hex(hasher.Finish());
}

TEST(PackageHasher, GivesBlake2b512) {
    sig::PackageHasher hasher;
    hasher.Update("abc", 3);
    // RFC 7693, appendix A.
    EXPECT_EQ(Hex(hasher.Finish()),
              "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d1"
              "7d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923");
    EXPECT_EQ(Hex(sig::PackageHasher().Finish()),
              "786a02f742015903c6c6fd852552d272912f4740e15847618a86e217f71f5419"
              "d25e1031afee585313896444934eb04b903a685b1448b755d56f701afe9be2ce");
}

TEST(PackageHasher, SameHashWhateverTheChunks) {
    // More than twice what the hasher's buffers (4 MiB) hold at once, so the
    // ring goes round and the feeding side waits.
    std::string bytes = Pattern(9 * 1024 * 1024 + 17);
    std::string whole = HashInPieces(bytes, {bytes.size()});
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
