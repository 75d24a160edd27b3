#include "platform/printable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PrintableCase {
    std::string text;
    std::string printed;
};

class PrintableText : public ::testing::TestWithParam<PrintableCase> {};

TEST_P(PrintableText, EscapesControlCharactersOnly) {
    EXPECT_EQ(plat::PrintableText(GetParam().text), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintableText,
    ::testing::Values(PrintableCase{"5.10.0023.zip", "5.10.0023.zip"},
                      PrintableCase{std::string("\x1b[2J\0", 5), "\\x1B[2J\\x00"},
                      PrintableCase{"del\x7f", "del\\x7F"},
                      PrintableCase{"a\xc2\x9b[2J", "a\\xC2\\x9B[2J"},  // CSI
                      PrintableCase{"\xc2\x80\xc2\x9f\xc2\xa0",
                                    "\\xC2\\x80\\xC2\\x9F\xc2\xa0"},  // C1 ends, NBSP
                      PrintableCase{"C:\\d \xc3\xbc \xe2\x82\xac \xe2\x9b\x84",
                                    "C:\\d \xc3\xbc \xe2\x82\xac \xe2\x9b\x84"},
                      PrintableCase{"M\x9b[2J\xfc", "M\\x9B[2J\xfc"},  // a code page's bytes
                      PrintableCase{"\xc1\x9b", "\xc1\\x9B"},          // overlong: no sequence
                      // Cut inside CSI, each piece escaped alone: joined, still no CSI.
                      PrintableCase{"name\xc2", "name\xc2"}, PrintableCase{"\x9b[2J", "\\x9B[2J"}));

}  // namespace
