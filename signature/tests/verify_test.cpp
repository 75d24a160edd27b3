#include "signature/verify.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace {

using testing_support::ReadFile;

std::string Fixture(const std::string& name) {
    std::string text;
    EXPECT_TRUE(ReadFile("signatures/" + name, &text)) << name;
    return text;
}

sig::PublicKey Key(const char* name) {
    std::string text = Fixture(name);
    sig::PublicKey key;
    EXPECT_TRUE(sig::ParsePublicKey(text.substr(text.find('\n') + 1), &key)) << name;
    return key;
}

// The package's hash as the download would feed it, in reads of 32767 bytes.
sig::Digest HashInChunks(const std::string& bytes) {
    sig::PackageHasher hasher;
    for (std::size_t at = 0; at < bytes.size(); at += 32767)
        hasher.Update(bytes.data() + at, std::min<std::size_t>(32767, bytes.size() - at));
    return hasher.Finish();
}

std::string Lines(const std::string& text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < count; ++i) end = text.find('\n', end) + 1;
    return text.substr(0, end);
}

std::string ToCrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// The trusted comment naming another file.
std::string Renamed(const std::string& text) {
    std::size_t at = text.find("file:5.20.0001.zip");
    return text.substr(0, at) + "file:5.20.0002.zip" + text.substr(at + 18);
}

struct VerifyCase {
    const char* name;
    const char* signatureFile;
    std::function<std::string(const std::string&)> edit;  // applied to the signature text
    std::vector<const char*> keys;
    bool flipByte;  // one byte of the package changed after signing
    const char* reason;
};

std::string Same(const std::string& s) { return s; }

class VerifyPackage : public ::testing::TestWithParam<VerifyCase> {};

TEST_P(VerifyPackage, AcceptsOnlyAGoodSignatureByACompiledInKey) {
    const VerifyCase& c = GetParam();
    std::vector<sig::PublicKey> keys;
    for (const char* k : c.keys) keys.push_back(Key(k));
    std::string package = Fixture("5.20.0001.zip");
    ASSERT_EQ(package.size(), 100000u);
    if (c.flipByte) package[54321] ^= 0x20;
    testing_support::ScopedTempDir dir;
    std::string path = dir.Join("5.20.0001.zip");
    ASSERT_TRUE(testing_support::WriteFile(path, package));

    sig::PackageFacts facts;
    facts.listedName = "5.20.0001.zip";
    facts.path = path.c_str();
    facts.digest = HashInChunks(package);
    EXPECT_EQ(sig::VerifyPackage(keys, c.edit(Fixture(c.signatureFile)), facts), c.reason);
}

const auto kCut = [](const std::string& s) { return s.substr(0, s.size() / 2); };
const auto kOversized = [](const std::string& s) { return s + std::string(4096, '\n'); };
const auto kEmpty = [](const std::string&) { return std::string(); };
const auto kGarbage = [](const std::string&) {
    return std::string("<html>\n<body>\n<h1>Not Found</h1>\n</body>\n</html>\n");
};
const auto kBinary = [](const std::string& s) { return std::string("\0\x01", 2) + s; };
const auto kThreeLines = [](const std::string& s) { return Lines(s, 3); };
const auto kNoUntrusted = [](const std::string& s) { return s.substr(s.find('\n') + 1); };

const char* const kPrehashed = "prehashed.minisig";

const VerifyCase kSignatures[] = {
    {"Prehashed", kPrehashed, Same, {"a.pub"}, false, ""},
    {"Legacy", "legacy.minisig", Same, {"a.pub"}, false, ""},
    {"CrLf", kPrehashed, ToCrLf, {"a.pub"}, false, ""},
    {"SecondKey", kPrehashed, Same, {"b.pub", "a.pub"}, false, ""},
    {"RolledOver", "other_key.minisig", Same, {"a.pub", "b.pub"}, false, ""},
    {"FlippedPrehashed", kPrehashed, Same, {"a.pub"}, true, "bad signature"},
    {"FlippedLegacy", "legacy.minisig", Same, {"a.pub"}, true, "bad signature"},
    {"OtherKey", "other_key.minisig", Same, {"a.pub"}, false, "unknown key"},
    {"NoKeys", kPrehashed, Same, {}, false, "unknown key"},
    {"OtherName", "other_name.minisig", Same, {"a.pub"}, false, "signature is for 5.10.0023.zip"},
    {"NoFileInComment", "no_file.minisig", Same, {"a.pub"}, false, "signature names no file"},
    {"EmptyFileName", "empty_file.minisig", Same, {"a.pub"}, false, "signature names no file"},
    {"CommentChanged", kPrehashed, Renamed, {"a.pub"}, false, "bad trusted comment signature"},
    {"Empty", kPrehashed, kEmpty, {"a.pub"}, false, "empty signature"},
    {"Truncated", kPrehashed, kCut, {"a.pub"}, false, "truncated signature"},
    {"NoGlobalSignature", kPrehashed, kThreeLines, {"a.pub"}, false, "truncated signature"},
    {"Oversized", kPrehashed, kOversized, {"a.pub"}, false, "signature over 4096 bytes"},
    {"Garbage", kPrehashed, kGarbage, {"a.pub"}, false, "malformed signature"},
    {"Binary", kPrehashed, kBinary, {"a.pub"}, false, "malformed signature"},
    {"NoUntrustedLine", kPrehashed, kNoUntrusted, {"a.pub"}, false, "truncated signature"},
};

INSTANTIATE_TEST_SUITE_P(Signatures, VerifyPackage, ::testing::ValuesIn(kSignatures),
                         [](const ::testing::TestParamInfo<VerifyCase>& p) {
                             return p.param.name;
                         });

TEST(VerifyPackageLegacy, RefusesAPackageThatCannotBeRead) {
    std::vector<sig::PublicKey> keys{Key("a.pub")};
    testing_support::ScopedTempDir dir;
    std::string path = dir.Join("missing.zip");
    sig::PackageFacts facts;
    facts.listedName = "5.20.0001.zip";
    facts.path = path.c_str();
    EXPECT_EQ(sig::VerifyPackage(keys, Fixture("legacy.minisig"), facts), "package unreadable");
}

}  // namespace
