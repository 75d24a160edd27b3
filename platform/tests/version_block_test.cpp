#include "platform/version_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/win.h"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr char kPath[] = "\\StringFileInfo\\040904e4\\FileVersion";

void Put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Set16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Align4(Bytes& b) { b.resize((b.size() + 3) & ~std::size_t{3}); }

// One node as the resource compiler writes it: header, key, value and
// children, each aligned to 4 bytes.
Bytes Node(const std::string& key, std::uint16_t type, const Bytes& value,
           std::uint16_t value_length, const std::vector<Bytes>& children = {}) {
    Bytes b(6);
    for (char c : key) Put16(b, static_cast<std::uint8_t>(c));
    Put16(b, 0);
    Align4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Align4(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    Set16(b, 0, static_cast<std::uint16_t>(b.size()));
    Set16(b, 2, value_length);
    Set16(b, 4, type);
    return b;
}

Bytes String(const std::string& key, const std::u16string& text) {
    Bytes value;
    for (char16_t c : text) Put16(value, c);
    Put16(value, 0);
    return Node(key, 1, value, static_cast<std::uint16_t>(text.size() + 1));
}
Bytes Block(const std::string& key, const std::vector<Bytes>& children) {
    return Node(key, 1, {}, 0, children);
}
Bytes Root(const std::vector<Bytes>& children) {
    return Node("VS_VERSION_INFO", 0, Bytes(52), 52, children);
}

std::string Query(const Bytes& block, std::size_t size = 16) {
    plat::VersionValue value;
    if (!plat::FindVersionValue(block.data(), block.size(), kPath, &value)) return "<none>";
    std::string out(size, 'x');
    plat::CopyVersionValue(value, &out[0], out.size());
    return out.substr(0, out.find('\0'));
}

TEST(VersionBlock, FindsValueInFirstMatchingBlocks) {
    EXPECT_EQ(Query(Root(
                  {Block("StringFileInfo", {Block("040904E4", {String("fileversion", u"1.2")})})})),
              "1.2");
    // Only the first StringFileInfo is searched, as the system does.
    EXPECT_EQ(
        Query(Root({Block("StringFileInfo", {Block("040704b0", {String("FileVersion", u"9")})}),
                    Block("StringFileInfo", {Block("040904e4", {String("FileVersion", u"1")})})})),
        "<none>");
    // Keys must match whole.
    EXPECT_EQ(
        Query(Root({Block("StringFileInfo", {Block("040904e4", {String("FileVersions", u"1")})})})),
        "<none>");
}

TEST(VersionBlock, ZeroLengthChildEndsTheSearch) {
    Bytes empty = String("Comments", u"");
    Set16(empty, 0, 0);
    EXPECT_EQ(Query(Root({Block("StringFileInfo",
                                {Block("040904e4", {empty, String("FileVersion", u"1.2")})})})),
              "<none>");
}

TEST(VersionBlock, SizesBeyondTheirContainerAreClamped) {
    Bytes wide = String("FileVersion", u"1.2");
    Set16(wide, 2, 0x7FFF);  // value length far beyond the node
    EXPECT_EQ(Query(Root({Block("StringFileInfo", {Block("040904e4", {wide})})})), "1.2");

    Bytes tall = Block("040904e4", {String("FileVersion", u"3.4.5")});
    Set16(tall, 0, 0xFFFF);  // node length beyond the block
    EXPECT_EQ(Query(Root({Block("StringFileInfo", {tall})})), "3.4.5");

    // Value without its terminator at the very end of the block.
    Bytes last =
        Root({Block("StringFileInfo", {Block("040904e4", {String("FileVersion", u"6.7")})})});
    last.resize(last.size() - 2);
    EXPECT_EQ(Query(last), "6.7");
}

TEST(VersionBlock, BinaryValueIsTakenByteByByte) {
    const Bytes value = {'7', '.', '0', 0, '9'};
    EXPECT_EQ(Query(Root({Block("StringFileInfo",
                                {Block("040904e4", {Node("FileVersion", 0, value, 5)})})})),
              "7.0");
}

TEST(VersionBlock, CopyIsCutAndZeroFilled) {
    const Bytes block =
        Root({Block("StringFileInfo", {Block("040904e4", {String("FileVersion", u"12345")})})});
    EXPECT_EQ(Query(block, 4), "123");
    EXPECT_EQ(Query(block, 1), "");
    char text[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    plat::CopyVersionText(text, 6, "xyz", 2);
    EXPECT_EQ(std::string(text, 8), std::string("xy\0\0\0\0gh", 8));
}

struct CodePageCase {
    std::uint16_t unit;
    unsigned char byte;
};

class CodePage1252Test : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePage1252Test, MapsUnit) {
    EXPECT_EQ(static_cast<unsigned char>(plat::ToCodePage1252(GetParam().unit)), GetParam().byte);
}

INSTANTIATE_TEST_SUITE_P(Units, CodePage1252Test,
                         ::testing::Values(CodePageCase{0x0041, 'A'}, CodePageCase{0x0000, 0},
                                           CodePageCase{0x007F, 0x7F}, CodePageCase{0x00A0, 0xA0},
                                           CodePageCase{0x00E9, 0xE9}, CodePageCase{0x00FF, 0xFF},
                                           CodePageCase{0x20AC, 0x80}, CodePageCase{0x2018, 0x91},
                                           CodePageCase{0x0178, 0x9F}, CodePageCase{0x0081, 0x81},
                                           CodePageCase{0x009D, 0x9D}, CodePageCase{0x0080, '?'},
                                           CodePageCase{0x009F, '?'}, CodePageCase{0x0100, '?'},
                                           CodePageCase{0x03A9, '?'}, CodePageCase{0x4E2D, '?'},
                                           CodePageCase{0xD83D, '?'}, CodePageCase{0xFFFD, '?'}));

#ifdef _WIN32
// The system's own conversion, without its look-alike replacements, is the
// reference for every unit.
TEST(CodePage1252, AgreesWithSystemConversion) {
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
        const wchar_t wide = static_cast<wchar_t>(unit);
        char narrow[4] = {};
        const int n = ::WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, &wide, 1, narrow,
                                            sizeof narrow, "?", nullptr);
        ASSERT_EQ(n, 1) << std::hex << unit;
        ASSERT_EQ(plat::ToCodePage1252(static_cast<std::uint16_t>(unit)), narrow[0])
            << std::hex << unit;
    }
}
#endif

}  // namespace
