#include "textsearch/link_matcher.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Captures(const std::string& page) {
    std::vector<std::string> out;
    textsearch::LinkMatcher m(page);
    std::string_view c;
    while (m.Next(&c)) out.emplace_back(c);
    return out;
}

// The reference: what the standard library's ECMAScript engine finds.
std::vector<std::string> RegexCaptures(const std::string& page) {
    static const std::regex pattern("<a href=\"(.*)\">.*</a>");
    std::vector<std::string> out;
    for (std::sregex_iterator it(page.begin(), page.end(), pattern), end; it != end; ++it)
        out.push_back((*it)[1].str());
    return out;
}

struct Case {
    const char* name;
    std::string page;
    std::vector<std::string> captures;
};

class LinkMatcherCases : public ::testing::TestWithParam<Case> {};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

TEST_P(LinkMatcherCases, FindsWhatTheRegularExpressionFinds) {
    const Case& c = GetParam();
    EXPECT_EQ(Captures(c.page), c.captures);
    EXPECT_EQ(RegexCaptures(c.page), c.captures);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LinkMatcherCases,
    ::testing::Values(
        Case{"OneLinkPerLine",
             "<a href=\"5.20.0012.zip\">5.20.0012.zip</a>\n<a href=\"5.20.0013.zip\">x</a>\n",
             {"5.20.0012.zip", "5.20.0013.zip"}},
        Case{"TwoLinksOnOneLine",
             "<a href=\"a.zip\">a</a> <a href=\"b.zip\">b</a>",
             {"a.zip\">a</a> <a href=\"b.zip"}},
        Case{"BrokenAcrossLines", "<a href=\"a.zip\">a\n</a>\n", {}},
        Case{"CarriageReturnEndsALine",
             "<a href=\"a.zip\">a\r</a>\r\n<a href=\"b\">b</a>\r\n",
             {"b"}},
        Case{"UpperCase", "<A HREF=\"a.zip\">a</A>\n<a HREF=\"b\">b</a>\n", {}},
        Case{"EmptyTarget", "<a href=\"\"></a>", {""}},
        Case{"QuoteAngleInsideTarget", "<a href=\"x\">y\">z</a>", {"x\">y"}},
        Case{"CloseBeforeLastTargetEnd", "<a href=\"x\">y</a>\">", {"x"}},
        Case{"NoCloseOnLine", "<a href=\"x\">y</b>\n<a href=\"z\">w</a>", {"z"}},
        Case{"TextAroundAnchor", "  <li><a href=\"../\">Parent</a></li>  \n", {"../"}},
        Case{"SecondOpenWithoutClose", "<a href=\"<a href=\"q\">r</a>", {"<a href=\"q"}},
        Case{"CloseTooEarly", "<a href=\"\"></a", {}}),
    CaseName);

// Pieces that exercise every decision of the matcher: anchors, partial
// anchors, quotes and angle brackets inside targets, bare CRs, upper case.
// The three parts of an anchor come often, so most lines hold a match.
const char* const kPieces[] = {
    "<a href=\"", "<a href=\"", "<a href=\"", "\">", "\">",     "\">", "</a>", "</a>", "</a>",
    "<A HREF=\"", "<a href=",   "\"",         ">",   "<",       "/",   "a",    ".zip", "5.20.0012",
    " ",          "\r",         "</a",        "<a",  "href=\"", "x",   "\t"};

std::string RandomLines(std::mt19937& rng, int lines) {
    std::uniform_int_distribution<int> piece(0, sizeof kPieces / sizeof *kPieces - 1);
    std::uniform_int_distribution<int> few(0, 3);
    std::uniform_int_distribution<int> percent(0, 99);
    auto junk = [&](std::string& out, int n) {
        for (int i = 0; i < n; ++i) {
            const char* p = kPieces[piece(rng)];
            if (p[0] == '\r' && percent(rng) < 80) continue;  // keep bare CRs rare
            out += p;
        }
    };
    std::string page;
    for (int l = 0; l < lines; ++l) {
        if (percent(rng) < 60) {  // an anchor with noise in and around it
            junk(page, few(rng));
            page += "<a href=\"";
            junk(page, few(rng));
            page += "\">";
            junk(page, few(rng));
            page += "</a>";
            junk(page, few(rng));
        } else {
            junk(page, 3 * few(rng));
        }
        page += (l % 3 == 0) ? "\r\n" : "\n";
    }
    return page;
}

TEST(LinkMatcherDifferential, AgreesWithTheRegularExpressionOnGeneratedPages) {
    std::mt19937 rng(20261207);
    int lines = 0;
    std::size_t captures = 0;
    for (int page = 0; lines < 120000; ++page) {
        std::string text = RandomLines(rng, 40);
        lines += 40;
        // Some pages also end without a line end, or hold bare CRs mid-line.
        if (page % 7 == 0) text += "<a href=\"tail.zip\">tail</a>";
        std::vector<std::string> expected = RegexCaptures(text);
        ASSERT_EQ(Captures(text), expected) << "page:\n" << text;
        captures += expected.size();
    }
    EXPECT_GT(captures, 60000u);  // the pages must really exercise the matcher
}

TEST(LinkMatcherLongLine, HandlesAOneLinePageOfAMillionCharacters) {
    std::string page;
    for (int i = 0; i < 40000; ++i) page += "<a href=\"f" + std::to_string(i) + ".zip\">f</a>";
    std::vector<std::string> got = Captures(page);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].substr(0, 12), "f0.zip\">f</a");
    EXPECT_EQ(got[0].substr(got[0].size() - 10), "f39999.zip");
}

}  // namespace
