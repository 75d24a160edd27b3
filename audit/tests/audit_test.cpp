#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "audit/choice_explain.h"
#include "audit/json_text.h"
#include "audit/kept_folders.h"
#include "audit/page_checks.h"
#include "audit/setup_checks.h"
#include "net/folder_listing.h"
#include "update/package_choice.h"
#include "testing/temp_dir.h"

namespace {

struct WalkCase {
    const char* listing;
    vocab::VersionTriple installed;
};

// The name the explanation calls chosen, empty when none.
std::string ChosenIn(const std::vector<audit::Candidate>& candidates) {
    for (const audit::Candidate& c : candidates) {
        if (c.verdict == "chosen") return c.name;
    }
    return "";
}

// Only the kept folders, each with its files' count and bytes, through a
// path written as the station's settings write it.
TEST(ListKeptFolders, CountsWhatEachHolds) {
    testing_support::ScopedTempDir dir;
    std::string install = dir.Join("install");
    for (const char* sub :
         {".talcheck-kept-1/sub", ".talcheck-kept-3", ".talcheck-staging", ".talcheck-kept-x"})
        std::filesystem::create_directories(install + "/" + sub);
    for (const char* file : {".talcheck-kept-1/b0", ".talcheck-kept-1/sub/journal",
                             ".talcheck-staging/b1", ".talcheck-kept-x/b2"})
        ASSERT_TRUE(testing_support::WriteFile(install + "/" + file, file));
    std::vector<audit::KeptFolder> kept = audit::ListKeptFolders(dir.path() + "\\install");
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].name, ".talcheck-kept-1");
    EXPECT_EQ(kept[0].files, 2u);
    EXPECT_EQ(kept[0].bytes, 19u + 28u);
    EXPECT_EQ(kept[1].name, ".talcheck-kept-3");
    EXPECT_EQ(kept[1].files, 0u);
}

// The explanation must pick what the run picks, whatever the listing.
TEST(ExplainWalk, AgreesWithTheRunsChoices) {
    const WalkCase cases[] = {
        {"5.10.0019.zip\t5.10.0021.zip\t5.10.0023.zip\t", {5, 1, 20}},
        {"5.10.0025.zip\t5.10.0022.zip\t", {5, 1, 20}},
        {"5.20.0001.zip\t5.10.0030.zip\t", {5, 1, 20}},
        {"5.10.0020.zip\t", {5, 1, 20}},
        {"setup.zip\tREADME.txt\t../\t\t5.10.0021.ZIP\t", {5, 1, 20}},
        {"6.00.0001.zip\t5.90.0100.zip\t6.10.0000.zip\t", {5, 9, 0}},
        {"5.10.-0001.zip\t5.10.0000.zip\t", {5, 1, 0}},
        {"", {5, 1, 0}},
    };
    for (const WalkCase& c : cases) {
        for (const update::ChoiceWalk& walk :
             {update::WalkCurrentLine(c.listing, c.installed), update::WalkNewestLine(c.listing)})
            EXPECT_EQ(ChosenIn(audit::ExplainWalk(walk, audit::kMaxCandidatesKept)),
                      update::ChosenName(walk))
                << c.listing;
    }
}

TEST(ExplainWalk, GivesEveryLoserItsReason) {
    auto candidates = audit::ExplainWalk(
        update::WalkCurrentLine(
            "README.txt\tsetup.zip\t5.10.0019.zip\t5.10.0025.zip\t5.00.0030.zip\t5.10.0022.zip\t",
            {5, 1, 20}),
        audit::kMaxCandidatesKept);
    ASSERT_EQ(candidates.size(), 6u);
    EXPECT_EQ(candidates[0].verdict, "no .zip in the name");
    EXPECT_EQ(candidates[1].verdict, "not three version fields");
    EXPECT_EQ(candidates[2].verdict, "build 19 is not above the installed build 20");
    EXPECT_EQ(candidates[3].verdict, "replaced by the later 5.10.0022.zip");
    EXPECT_EQ(candidates[4].verdict, "line 5.0 is below 5.1, the line of 5.10.0025.zip");
    EXPECT_EQ(candidates[5].verdict, "chosen");
}

struct PageCase {
    std::string body;
    int status;
    std::set<std::string> codes;
};

TEST(CheckPage, FindsLinksTheRunCannotRead) {
    const PageCase cases[] = {
        {"<a href=\"5.10.0023.zip\">5.10.0023.zip</a>\r\n<a href=\"../\">../</a>\n", 200, {}},
        {"<A HREF=\"5.10.0023.zip\">5.10.0023.zip</A>\n", 200, {"upper_case_anchor"}},
        {"<a HREF=\"5.10.0023.zip\">x</a>\n", 200, {"upper_case_anchor"}},
        {"<a href='5.10.0023.zip'>x</a>\n", 200, {"single_quoted_anchor"}},
        {"<a href=5.10.0023.zip>x</a>\n", 200, {"anchor_form"}},
        {"<a href=\"5.10.0023.zip\">x</A>\n", 200, {"anchor_form"}},
        {"<a href=\"a.zip\">a</a> <a href=\"b.zip\">b</a>\n", 200, {"links_merged"}},
        {"<A HREF=\"/\">up</A>\n", 200, {}},  // no dot: the run skips it anyway
        {"<a href=\"setup.zip\">x</a>\n", 200, {"name_unparsable"}},
        {"<a href=\"help.html\">help</a>\n", 404, {"error_page_names"}},
        {"<h1>404 Not Found</h1>\n", 404, {}},
        {"<a  href = \"5.10.0023.zip\">x</a>\n", 200, {"anchor_form"}},
        {"<a\thref=5.10.0023.zip>x</a>\n", 200, {"anchor_form"}},
        {"<a href=\"5.10.0023.zip\n", 200, {"anchor_form"}},  // no closing quote
        {"<abbr href=\"5.10.0023.zip\">x</abbr>\n", 200, {}},
        // A line of megabytes is scanned without recursion.
        {"<A HREF=\"" + std::string(4 << 20, 'x') + ".zip\">x</A>\n", 200, {"upper_case_anchor"}},
        {"<a href=\"" + std::string(4 << 20, 'x') + "\n", 200, {}},
    };
    for (const PageCase& c : cases) {
        audit::FolderRequest request;
        request.folder = "/5_1%20Installers/";
        request.status = c.status;
        std::string listing;
        // The names as the run's parser would give them.
        net::AppendLinkTargets(c.body, listing, ".");
        update::ForEachListingEntry(listing, [&](const char*) { ++request.nameCount; });
        std::set<std::string> codes;
        for (const audit::Warning& w : audit::CheckPage(request, c.body, listing))
            codes.insert(w.code);
        EXPECT_EQ(codes, c.codes) << c.body;
    }
}

// A line's explanation keeps at most keep candidates and never loses the chosen one.
TEST(ExplainWalk, KeepsTheFirstCandidatesAndTheChosenOne) {
    const struct {
        std::string listing;
        std::size_t keep;
        std::string kept;  // the names explained
    } cases[] = {
        {"5.10.0021.zip\t5.10.0022.zip\t", 5, "5.10.0021.zip 5.10.0022.zip "},
        {"5.10.0021.zip\t5.10.0022.zip\t5.10.0023.zip\t", 2, "5.10.0021.zip 5.10.0023.zip "},
        {"5.20.0009.zip\t5.10.0021.zip\t5.10.0022.zip\t", 2, "5.20.0009.zip 5.10.0021.zip "},
        {"a.zip\tb.zip\tc.zip\t", 2, "a.zip b.zip "},  // none chosen
    };
    for (const auto& c : cases) {
        std::string kept;
        for (const audit::Candidate& candidate :
             audit::ExplainWalk(update::WalkNewestLine(c.listing), c.keep))
            kept += candidate.name + " ";
        EXPECT_EQ(kept, c.kept) << c.listing;
    }
}

// DEL and C1 become \u escapes that read back as the same string; invalid
// UTF-8 becomes U+FFFD.
TEST(JsonText, EscapesDelAndC1Controls) {
    const std::string cases[][3] = {
        // value, as written, as read back
        {"a\x7f", "a\\u007f", "a\x7f"},
        {"a\xc2\x9b[2J", "a\\u009b[2J", "a\xc2\x9b[2J"},
        {"\xc2\x80\xc2\x9f\xc2\xa0\xc3\xbc", "\\u0080\\u009f\xc2\xa0\xc3\xbc",
         "\xc2\x80\xc2\x9f\xc2\xa0\xc3\xbc"},
        {"M\x9b", "M\xef\xbf\xbd", "M\xef\xbf\xbd"},
    };
    for (const auto& c : cases) {
        const std::string text = audit::JsonText(nlohmann::ordered_json{{"v", c[0]}});
        EXPECT_EQ(text, "{\n  \"v\": \"" + c[1] + "\"\n}");
        EXPECT_EQ(nlohmann::ordered_json::parse(text)["v"].get<std::string>(), c[2]);
    }
}

}  // namespace

// The installed line's folder decides whether a station can update at all:
// a failure there is never reported as up to date.
TEST(CheckServerSetup, NamesAFailingLineFolder) {
    const struct {
        bool reached;
        int status;
        const char* failure;
        const char* code;  // "" for no warning
    } kRows[] = {
        {true, 200, "", ""},
        {true, 404, "http_error", "line_folder_missing"},
        {true, 403, "http_error", "line_folder_refused"},
        {true, 500, "http_error", "line_folder_refused"},
        {true, 200, "broken", "line_folder_refused"},
        {false, 0, "timeout", ""},  // unreachable: its own exit code
    };
    for (const auto& row : kRows) {
        audit::Inspection inspection;
        audit::FolderRequest request;
        request.folder = "5_1%20Installers/";
        request.reached = row.reached;
        request.status = row.status;
        request.failure = row.failure;
        request.failureText = "why";
        inspection.requests.push_back(request);
        std::vector<audit::Warning> warnings = audit::CheckServerSetup(inspection);
        std::string codes;
        for (const audit::Warning& w : warnings) codes += w.code;
        EXPECT_EQ(codes, row.code) << row.status << " " << row.failure;
    }
}
