#include "audit/json_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Json = nlohmann::ordered_json;

struct JsonCase {
    const char* label;
    std::string value;
    std::string written;   // the document {"v": value} as printed
    std::string readBack;  // the value a JSON reader gets
};

class JsonTextTest : public ::testing::TestWithParam<JsonCase> {};

TEST_P(JsonTextTest, ControlsAreEscapedAndTheValueStays) {
    const JsonCase& c = GetParam();
    const std::string text = audit::JsonText(Json{{"v", c.value}});
    EXPECT_EQ(text, "{\n  \"v\": \"" + c.written + "\"\n}");
    EXPECT_EQ(Json::parse(text)["v"].get<std::string>(), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonTextTest,
    ::testing::Values(JsonCase{"Plain", "5.10.0023.zip", "5.10.0023.zip", "5.10.0023.zip"},
                      JsonCase{"C0", "\x1b[2J", "\\u001b[2J", "\x1b[2J"},
                      JsonCase{"Del", "a\x7f", "a\\u007f", "a\x7f"},
                      JsonCase{"Csi",
                               "a\xc2\x9b"
                               "2J",
                               "a\\u009b2J",
                               "a\xc2\x9b"
                               "2J"},
                      JsonCase{"FirstAndLastC1", "\xc2\x80\xc2\x9f", "\\u0080\\u009f",
                               "\xc2\x80\xc2\x9f"},
                      JsonCase{"UmlautAndNoBreakSpace", "\xc3\xbc\xc2\xa0", "\xc3\xbc\xc2\xa0",
                               "\xc3\xbc\xc2\xa0"},
                      JsonCase{"InvalidUtf8", "M\x9b\xfc", "M\xef\xbf\xbd\xef\xbf\xbd",
                               "M\xef\xbf\xbd\xef\xbf\xbd"}),
    [](const auto& row) { return std::string(row.param.label); });

}  // namespace
