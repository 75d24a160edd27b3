#include "platform/printable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PrintableCase {
    const char* label;
    std::string text;
    std::string printed;
};

class PrintableText : public ::testing::TestWithParam<PrintableCase> {};

TEST_P(PrintableText, EscapesControlCharactersOnly) {
    EXPECT_EQ(plat::PrintableText(GetParam().text), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintableText,
    ::testing::Values(PrintableCase{"PackageName", "5.10.0023.zip", "5.10.0023.zip"},
                      PrintableCase{"Escape", "\x1b[2J", "\\x1B[2J"},
                      PrintableCase{"Zero", std::string("a\0b", 3), "a\\x00b"},
                      PrintableCase{"CarriageReturnLineFeed", "a\r\nb", "a\\x0D\\x0Ab"},
                      PrintableCase{"Del", "del\x7f", "del\\x7F"},
                      PrintableCase{"Csi",
                                    "a\xc2\x9b"
                                    "2Jb",
                                    "a\\xC2\\x9B2Jb"},
                      PrintableCase{"FirstAndLastC1", "\xc2\x80\xc2\x9f", "\\xC2\\x80\\xC2\\x9F"},
                      PrintableCase{"NoBreakSpaceIsNoControl", "a\xc2\xa0z", "a\xc2\xa0z"},
                      PrintableCase{"Umlauts", "C:\\data \xc3\x84rger \xc3\xbc",
                                    "C:\\data \xc3\x84rger \xc3\xbc"},
                      PrintableCase{"ContinuationBytesInOtherCharacters",
                                    "\xe2\x82\xac \xe2\x9b\x84 \xf0\x9f\x98\x80",
                                    "\xe2\x82\xac \xe2\x9b\x84 \xf0\x9f\x98\x80"},
                      PrintableCase{"LoneC1ByteOfACodePage",
                                    "M\x9b"
                                    "2J\x80",
                                    "M\\x9B2J\\x80"},
                      PrintableCase{"CodePageLetterKept", "M\xfcller.zip", "M\xfcller.zip"},
                      PrintableCase{"OverlongC1", "\xc1\x9b", "\xc1\\x9B"},
                      PrintableCase{"SurrogateIsNoSequence", "\xed\xa0\x9b", "\xed\xa0\\x9B"},
                      PrintableCase{"LeadByteCutAtTheEnd", "name\xc2", "name\xc2"},
                      PrintableCase{"SecondByteCutFromTheStart",
                                    "\x9b"
                                    "2J",
                                    "\\x9B2J"}),
    [](const auto& row) { return std::string(row.param.label); });

// Texts are cut (a name shortened, a line split) and escaped piece by piece:
// joined again, no C1 control may appear between the pieces.
TEST(PrintableTextJoin, PiecesCutInsideASequenceStayEscaped) {
    const std::string csi =
        "ab\xc2\x9b"
        "2J";
    for (std::size_t cut = 0; cut <= csi.size(); ++cut) {
        const std::string joined =
            plat::PrintableText(csi.substr(0, cut)) + plat::PrintableText(csi.substr(cut));
        EXPECT_EQ(joined.find("\xc2\x9b"), std::string::npos) << "cut at " << cut;
        EXPECT_EQ(plat::PrintableText(joined), joined) << "cut at " << cut;
    }
}

}  // namespace
