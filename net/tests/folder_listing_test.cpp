#include "net/folder_listing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "net/tests/net_test_support.h"

namespace net_test {

namespace {

std::string Anchor(const std::string& target) {
    return "<a href=\"" + target + "\">" + target + "</a>";
}

// ---- Parsing a body already in memory ----------------------------------

struct ParseCase {
    const char* name;
    std::string before;  // listing on entry
    std::string body;
    const char* filter;
    std::string after;
};

class ListingParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ListingParse, AppendsTheExpectedNames) {
    const ParseCase& c = GetParam();
    std::string listing = c.before;
    net::AppendLinkTargets(c.body, listing, c.filter);
    EXPECT_EQ(listing, c.after);
}

const std::string kLong260(256, 'n');

INSTANTIATE_TEST_SUITE_P(
    Cases, ListingParse,
    ::testing::Values(
        ParseCase{"PageOrder", "", Anchor("5.20.0012.zip") + "\n" + Anchor("5.20.0013.zip") + "\n",
                  ".", "5.20.0012.zip\t5.20.0013.zip\t"},
        ParseCase{"ParentLinks", "", Anchor("/") + "\n" + Anchor("../") + "\n", ".", "../\t"},
        ParseCase{"SubstringOfEarlierSkipped", "",
                  Anchor("5.20.0012.zip") + "\n" + Anchor("0012.zip") + "\n", ".",
                  "5.20.0012.zip\t"},
        ParseCase{"SuperstringOfEarlierKept", "",
                  Anchor("0012.zip") + "\n" + Anchor("5.20.0012.zip") + "\n", ".",
                  "0012.zip\t5.20.0012.zip\t"},
        ParseCase{"SubstringAcrossEntries", "",
                  Anchor("a.b") + "\n" + Anchor("c.d") + "\n" + Anchor("b\tc") + "\n", ".",
                  "a.b\tc.d\t"},
        ParseCase{"EmptyFilter", "", Anchor("a.zip") + "\n", "", ""},
        ParseCase{"FilterIsASetOfCharacters", "", Anchor("abc") + "\n" + Anchor("xyz") + "\n", "zq",
                  "xyz\t"},
        ParseCase{"EarlierTextKeptAndTested", "old.zip\t",
                  Anchor("old.zip") + "\n" + Anchor("d.zip") + "\n" + Anchor("new.zip") + "\n", ".",
                  "old.zip\tnew.zip\t"},
        ParseCase{"Name259Kept", "", Anchor(std::string(255, 'n') + ".zip") + "\n", ".",
                  std::string(255, 'n') + ".zip\t"},
        // A name too long to list is no earlier text either: its tail is listed.
        ParseCase{"Name260Skipped", "", Anchor(kLong260 + ".zip") + "\n" + Anchor("nnn.zip") + "\n",
                  ".", "nnn.zip\t"},
        ParseCase{"EmptyBody", "", "", ".", ""}),
    CaseName());

struct ChunkCase {
    std::optional<std::int64_t> length;  // nullopt: no header
    std::size_t chunk;
};

class ChunkSize : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(ChunkSize, UsesTheAnnouncedLengthOnlyWhenUsable) {
    EXPECT_EQ(net::ChunkSizeFor(GetParam().length), GetParam().chunk);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ChunkSize,
                         ::testing::Values(ChunkCase{std::nullopt, 32768}, ChunkCase{0, 32768},
                                           ChunkCase{-5, 32768}, ChunkCase{120, 120},
                                           ChunkCase{INT64_MAX, 32768}, ChunkCase{8388608, 8388608},
                                           ChunkCase{8388609, 32768}));

// ---- Over HTTP -----------------------------------------------------------

struct ListingFetchCase {
    const char* name;
    Reply reply;
    std::string listing;
    bool needsTimeouts = false;
};

const std::string kTwoLinks = Anchor("a.zip") + "\n" + Anchor("b.zip") + "\n";
// Longer than one default chunk, with a link across the 32,768-byte mark.
std::string Straddling() {
    std::string page = Anchor("first.zip") + "\n";
    page += std::string(32768 - page.size() - 5, ' ');
    page += Anchor("across.zip") + "\n" + std::string(20000, ' ') + "\n";
    return page + Anchor("last.zip") + "\n";
}

class FetchListing : public ServedReply<ListingFetchCase> {};

TEST_P(FetchListing, ParsesWhateverBodyArrives) {
    const ListingFetchCase& c = GetParam();
    std::string url = Serve("/5_2%20Installers/", "/moved/", Reply::Page(kTwoLinks));
    std::string listing;
    FetchFolderListing(url.c_str(), listing, ".");
    EXPECT_EQ(listing, c.listing);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FetchListing,
    ::testing::Values(
        ListingFetchCase{"Ok", Reply::Page(kTwoLinks), "a.zip\tb.zip\t"},
        ListingFetchCase{"NotFoundPageWithoutLinks",
                         Reply::Page("<html><h1>Not Found</h1></html>\n", 404), ""},
        ListingFetchCase{"ErrorPageLinksCount", Reply::Page(kTwoLinks, 500), "a.zip\tb.zip\t"},
        ListingFetchCase{"EmptyBody", Reply::Page(""), ""},
        ListingFetchCase{"NoLengthLongPage",
                         Framed(Reply::Page(Straddling()), Reply::Framing::kUntilClose),
                         "first.zip\tacross.zip\tlast.zip\t"},
        ListingFetchCase{"ChunkedLongPage",
                         Framed(Reply::Page(Straddling()), Reply::Framing::kChunked),
                         "first.zip\tacross.zip\tlast.zip\t"},
        ListingFetchCase{"RedirectFollowed", Reply::Redirect(302, "/moved/"), "a.zip\tb.zip\t"},
        ListingFetchCase{
            "NulByteEndsItsChunk",
            Reply::Page(Anchor("a.zip") + "\n" + std::string(1, '\0') + Anchor("b.zip") + "\n"),
            "a.zip\t"},
        ListingFetchCase{"CutOffPartWay",
                         CutAt(Framed(Reply::Page(Straddling()), Reply::Framing::kChunked), 40000),
                         "first.zip\tacross.zip\t"},
        ListingFetchCase{"NeverAnswers", Silent(), "", true},
        ListingFetchCase{
            "StallsPartWay",
            StallAt(Framed(Reply::Page(Straddling()), Reply::Framing::kUntilClose), 40000),
            "first.zip\tacross.zip\t", true}),
    CaseName());

TEST(FetchListingUnreachable, LeavesTheListingAsItWas) {
    std::string url;
    {
        LoopbackServer gone;
        url = gone.Url("/5_2%20Installers/");
    }  // nothing listens there any more
    std::string listing = "kept\t";
    FetchFolderListing(url.c_str(), listing, ".");
    EXPECT_EQ(listing, "kept\t");
}

// The served directory tree as the update run addresses it: a path with
// encoded blanks and two slashes at the join of base URL and folder.
TEST(FetchListingFromDirectory, ListsAndDownloadsTheFilesOfAServedFolder) {
    testing_support::ScopedTempDir tree;
    std::filesystem::create_directories(tree.Join("Marl Quill/MarlQuill/5_1 Installers"));
    std::string folder = tree.Join("Marl Quill/MarlQuill/5_1 Installers");
    ASSERT_TRUE(testing_support::WriteFile(folder + "/5.10.0023.zip", "PK-23"));
    ASSERT_TRUE(testing_support::WriteFile(folder + "/5.10.0021.zip", "PK-21"));
    LoopbackServer server;
    server.ServeDirectory("/", tree.path());
    std::string url = server.Url("/Marl%20Quill/MarlQuill//5_1%20Installers/");
    std::string listing;
    FetchFolderListing(url.c_str(), listing, ".");
    EXPECT_EQ(listing, "5.10.0021.zip\t5.10.0023.zip\t");

    testing_support::ScopedTempDir out;
    char localPath[plat::kPathSize] = {};
    plat::CopyBounded(localPath, sizeof localPath, out.path().c_str());
    ASSERT_TRUE(DownloadToFile((url + "5.10.0023.zip").c_str(), "5.10.0023.zip", localPath));
    EXPECT_EQ(testing_support::FileText(localPath), "PK-23");
}

}  // namespace

}  // namespace net_test
