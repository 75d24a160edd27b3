#include "signature/minisign_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace {

// The key line of a public key file made by minisign (its second line).
std::string KeyLine(const char* name) {
    std::string text;
    if (!testing_support::ReadFile(std::string("signatures/") + name, &text)) return "";
    std::size_t start = text.find('\n') + 1;
    return text.substr(start, text.find('\n', start) - start);
}

struct KeyCase {
    const char* name;
    std::string line;
    bool parses;
};

class PublicKeyLine : public ::testing::TestWithParam<KeyCase> {};

TEST_P(PublicKeyLine, ParsesOnlyOneWellFormedEd25519Key) {
    const KeyCase& c = GetParam();
    std::string good = KeyLine("a.pub");
    ASSERT_EQ(good.size(), 56u);
    std::string line = c.line;
    std::size_t at = line.find('@');
    if (at != std::string::npos) line.replace(at, 1, good);
    sig::PublicKey key;
    EXPECT_EQ(sig::ParsePublicKey(line, &key), c.parses);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PublicKeyLine,
    ::testing::Values(
        KeyCase{"Good", "@", true}, KeyCase{"Blanks", " \t@\r\n", true},
        KeyCase{"Empty", "", false}, KeyCase{"Two", "@ @", false}, KeyCase{"Cut", "@@", false},
        // "ED..." decodes to another algorithm than Ed25519 keys.
        KeyCase{"OtherAlgorithm", "RUThJL0drTBaiNnQYnW7qt6RaZfO415CwE0O0CeuWMtCUA7A7KCYg7Bb",
                false},
        KeyCase{"Short", "RWThJL0drTBaiNnQYnW7qt6RaZfO415CwE0O0CeuWMtCUA7A7KCYg7B", false},
        KeyCase{"BadCharacter", "RWThJL0drTBaiNnQYnW7qt6RaZfO415CwE0O0CeuWMtCUA7A7KCYg7B!", false}),
    [](const ::testing::TestParamInfo<KeyCase>& p) { return p.param.name; });

TEST(PublicKeyList, KeepsEveryGoodKeyAndReportsABadOne) {
    std::string a = KeyLine("a.pub");
    std::string b = KeyLine("b.pub");
    std::vector<sig::PublicKey> keys;
    EXPECT_TRUE(sig::ParsePublicKeyList("", &keys));
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(sig::ParsePublicKeyList(" \n\t ", &keys));
    EXPECT_TRUE(keys.empty());

    ASSERT_TRUE(sig::ParsePublicKeyList(a + "  \n" + b + " ", &keys));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_NE(keys[0].keyId, keys[1].keyId);

    EXPECT_FALSE(sig::ParsePublicKeyList(a + " not-a-key", &keys));
    EXPECT_EQ(keys.size(), 1u);
}

struct CommentCase {
    const char* name;
    std::string comment;
    bool names;
    std::string file;
};

class TrustedComment : public ::testing::TestWithParam<CommentCase> {};

TEST_P(TrustedComment, FindsTheFileField) {
    const CommentCase& c = GetParam();
    std::string file = "untouched";
    EXPECT_EQ(sig::TrustedCommentFile(c.comment, &file), c.names);
    EXPECT_EQ(file, c.names ? c.file : "untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Comments, TrustedComment,
    ::testing::Values(CommentCase{"Minisign", "timestamp:1796645672\tfile:5.20.0001.zip\thashed",
                                  true, "5.20.0001.zip"},
                      CommentCase{"First", "file:a.zip", true, "a.zip"},
                      CommentCase{"EmptyName", "timestamp:1\tfile:", true, ""},
                      CommentCase{"Spaces", "file:my package.zip\thashed", true, "my package.zip"},
                      CommentCase{"None", "release 5.20", false, ""},
                      CommentCase{"Empty", "", false, ""},
                      CommentCase{"NotAField", "timestamp:1 file:a.zip", false, ""},
                      CommentCase{"Prefix", "profile:a.zip", false, ""}),
    [](const ::testing::TestParamInfo<CommentCase>& p) { return p.param.name; });

}  // namespace
