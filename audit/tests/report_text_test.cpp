#include <gtest/gtest.h>

#include <string>

#include "audit/report.h"

namespace {

struct PrintableCase {
    std::string text;
    std::string printed;
};

class PrintableTest : public ::testing::TestWithParam<PrintableCase> {};

TEST_P(PrintableTest, EscapesControlCharactersOnly) {
    EXPECT_EQ(audit::Printable(GetParam().text), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintableTest,
    ::testing::Values(PrintableCase{"5.10.0023.zip", "5.10.0023.zip"},
                      PrintableCase{"\x1b[2J", "\\x1B[2J"},
                      PrintableCase{std::string("a\0b", 3), "a\\x00b"},
                      PrintableCase{"del\x7f", "del\\x7F"},
                      PrintableCase{"C:\\data \xc3\x84rger", "C:\\data \xc3\x84rger"}));

}  // namespace
