#include "net/download.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "net/tests/net_test_support.h"

namespace net_test {

namespace {

const std::string kOld = "an older, longer file that must be overwritten from its first byte";

struct DownloadCase {
    const char* name;
    Reply reply;
    bool result;
    enum Outcome { kNoFile, kEmptyFile, kFullBody, kPartial } file;
    bool pathSet;
    bool needsTimeouts = false;
};

Reply Status(int status) {
    Reply r = Reply::Generated(100000);
    r.status = status;
    return r;
}

class Download : public ServedReply<DownloadCase> {};

TEST_P(Download, LeavesResultFileAndPathAsTheAnswerWarrants) {
    const DownloadCase& c = GetParam();
    std::string url = Serve("/pkg.zip", "/moved.zip", Reply::Generated(100000));
    DownloadDir at;
    std::string target = at.dir.Join("5.10.0023.zip");
    ASSERT_TRUE(testing_support::WriteFile(target, kOld));

    bool result = DownloadToFile(url.c_str(), "5.10.0023.zip", at.localPath);

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(std::string(at.localPath), c.pathSet ? target : at.dir.path());
    std::string bytes;
    ASSERT_TRUE(testing_support::ReadFile(target, &bytes));
    std::string full = testing_support::GeneratedBody(100000);
    switch (c.file) {
        case DownloadCase::kNoFile:
            EXPECT_EQ(bytes, kOld) << "file was touched";
            break;
        case DownloadCase::kEmptyFile:
            EXPECT_EQ(bytes, "");
            break;
        case DownloadCase::kFullBody:
            EXPECT_TRUE(bytes == full) << "size " << bytes.size();
            break;
        case DownloadCase::kPartial:
            EXPECT_GT(bytes.size(), 0u);
            EXPECT_LT(bytes.size(), full.size());
            EXPECT_EQ(bytes, full.substr(0, bytes.size()));
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Download,
    ::testing::Values(
        DownloadCase{"Complete", Reply::Generated(100000), true, DownloadCase::kFullBody, true},
        DownloadCase{"Chunked", Framed(Reply::Generated(100000), Reply::Framing::kChunked), true,
                     DownloadCase::kFullBody, true},
        DownloadCase{"NoLength", Framed(Reply::Generated(100000), Reply::Framing::kUntilClose),
                     true, DownloadCase::kFullBody, true},
        DownloadCase{"Status399Proceeds", Status(399), true, DownloadCase::kFullBody, true},
        DownloadCase{"Status400Refused", Status(400), false, DownloadCase::kNoFile, false},
        DownloadCase{"RedirectFollowed", Reply::Redirect(302, "/moved.zip"), true,
                     DownloadCase::kFullBody, true},
        DownloadCase{"EmptyBody", Reply::Page(""), false, DownloadCase::kEmptyFile, false},
        DownloadCase{"CutOffPartWay", CutAt(Reply::Generated(100000), 50000), true,
                     DownloadCase::kPartial, false},
        DownloadCase{"CutOffBeforeData",
                     CutAt(Framed(Reply::Generated(100000), Reply::Framing::kChunked), 0), false,
                     DownloadCase::kEmptyFile, false},
        DownloadCase{"NeverAnswers", Silent(), false, DownloadCase::kNoFile, false, true},
        DownloadCase{"StallsPartWay", StallAt(Reply::Generated(100000), 50000), true,
                     DownloadCase::kPartial, false, true}),
    CaseName());

// ---- Local path rules ----------------------------------------------------

struct PathCase {
    const char* name;
    std::string suffix;  // appended to the temp directory in localPath
};

class DownloadPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(DownloadPath, JoinsDirectoryAndNameWithOneSeparator) {
    LoopbackServer server;
    server.Route("/f.zip", Reply::Generated(1000));
    testing_support::ScopedTempDir dir;
    char localPath[plat::kPathSize] = {};
    std::string given = dir.path() + GetParam().suffix;
    plat::CopyBounded(localPath, sizeof localPath, given.c_str());
    EXPECT_TRUE(DownloadToFile(server.Url("/f.zip").c_str(), "f.zip", localPath));
    std::string expected =
        (GetParam().suffix.empty() ? given + plat::kPathSeparator : given) + "f.zip";
    EXPECT_EQ(std::string(localPath), expected);
    EXPECT_TRUE(testing_support::FileExists(expected));
}

INSTANTIATE_TEST_SUITE_P(Endings, DownloadPath,
                         ::testing::Values(PathCase{"Bare", ""}, PathCase{"Slash", "/"},
                                           PathCase{"Native",
                                                    std::string(1, plat::kPathSeparator)}),
                         CaseName());

TEST(DownloadPath, UsesTheWorkingDirectoryWhenLocalPathIsEmpty) {
    LoopbackServer server;
    server.Route("/f.zip", Reply::Generated(100000));
    testing_support::ScopedTempDir dir;
    testing_support::ScopedCurrentDir cd(dir.path());
    char localPath[plat::kPathSize] = {};
    ASSERT_TRUE(DownloadToFile(server.Url("/f.zip").c_str(), "f.zip", localPath));
    EXPECT_EQ(testing_support::FileText(dir.Join("f.zip")).size(), 100000u);
    EXPECT_EQ(std::string(localPath).substr(std::strlen(localPath) - 6),
              std::string(1, plat::kPathSeparator) + "f.zip");
}

TEST(DownloadPath, RefusesAPathLongerThanTheBufferBeforeAnyRequest) {
    LoopbackServer server;
    server.Route("/f.zip", Reply::Generated(1000));
    DownloadDir at;
    char* localPath = at.localPath;
    std::string before = localPath;
    // Directory + separator + name = exactly 260 characters: one too many.
    std::string name(259 - before.size(), 'n');
    EXPECT_FALSE(DownloadToFile(server.Url("/f.zip").c_str(), name.c_str(), localPath));
    EXPECT_EQ(std::string(localPath), before);
    EXPECT_TRUE(server.Requests().empty());
    // One character less fits (the name may be too long for the file
    // system, which then refuses the file; the buffer is what matters).
    name.pop_back();
    DownloadToFile(server.Url("/f.zip").c_str(), name.c_str(), localPath);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(DownloadPath, RefusesAnUnterminatedDirectory) {
    char localPath[plat::kPathSize];
    std::memset(localPath, 'd', sizeof localPath);
    EXPECT_FALSE(DownloadToFile("http://127.0.0.1:9/f.zip", "f.zip", localPath));
    EXPECT_EQ(localPath[plat::kPathSize - 1], 'd');
}

// A download that fails leaves localPath as it was; one refused for its
// arguments sends no request.
struct RefusedCase {
    const char* name;
    const char* folder;  // below the temporary folder, or an absolute one
    const char* file;
    bool reachable;
    bool requested;
};

class DownloadRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(DownloadRefused, FailsAndLeavesLocalPathAsItWas) {
    const RefusedCase& c = GetParam();
    if (*c.folder == '/' && !testing_support::FileExists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    LoopbackServer server;
    server.Route("/f.zip", Reply::Generated(100000));
    std::string url = server.Url("/f.zip");
    if (!c.reachable) url = LoopbackServer().Url("/f.zip");  // closed again at once
    testing_support::ScopedTempDir dir;
    std::string given = *c.folder == '/' ? c.folder : dir.Join(c.folder);
    char localPath[plat::kPathSize] = {};
    plat::CopyBounded(localPath, sizeof localPath, given.c_str());
    EXPECT_FALSE(DownloadToFile(url.c_str(), c.file, localPath));
    EXPECT_EQ(std::string(localPath), given);
    EXPECT_EQ(server.Requests().size(), c.requested ? 1u : 0u);
    EXPECT_FALSE(testing_support::FileExists(dir.Join("f.zip")));
}

INSTANTIATE_TEST_SUITE_P(Arguments, DownloadRefused,
                         ::testing::Values(RefusedCase{"EmptyName", "", "", true, false},
                                           RefusedCase{"Unreachable", "", "f.zip", false, false},
                                           RefusedCase{"FolderMissing", "no-such-dir", "f.zip",
                                                       true, true},
                                           RefusedCase{"WriteError", "/dev", "full", true, true}),
                         CaseName());

// A download result's figures, and how DownloadOutcome names them.
struct FailureText {
    net::DownloadFailure failure;
    int status;
    std::uint64_t received;
    std::int64_t announced;
    std::uint64_t freeBytes;
    const char* text;
};

std::string Described(const FailureText& c) {
    net::DownloadResult r;
    r.failure = c.failure;
    r.status = c.status;
    r.received = c.received;
    r.announced = c.announced;
    r.freeBytes = c.freeBytes;
    return net::DownloadOutcome(r).reason;
}

// The limits' figures as well as the transfer's.
TEST(DownloadOutcome, NamesTheReasonWithItsFigures) {
    using F = net::DownloadFailure;
    const FailureText cases[] = {
        {F::kNone, 200, 5, 5, 0, ""},
        {F::kStatus, 404, 0, 10, 0, "status 404"},
        {F::kUnreachable, 0, 0, -1, 0, "server not reached"},
        {F::kBroken, 200, 1000, 5000, 0, "received 1000 of 5000 bytes"},
        {F::kBroken, 200, 7, -1, 0, "received 7 bytes"},
        {F::kWriteError, 200, 32767, -1, 0, "write error after 32767 bytes"},
        {F::kEmptyBody, 200, 0, 0, 0, "empty body"},
        {F::kSizeLimit, 0, 0, 10737418240, 0, "size limit: 10737418240 bytes announced"},
        {F::kSizeLimit, 0, 2147483648u, -1, 0, "size limit after 2147483648 bytes"},
        {F::kNoSpace, 0, 0, 5000, 100, "no space: 100 bytes free after 0 of 5000 bytes"},
        {F::kStalled, 0, 12, 5000, 0, "stalled after 12 of 5000 bytes"},
        {F::kTimeLimit, 0, 7, -1, 0, "time limit after 7 bytes"},
    };
    for (const FailureText& c : cases) EXPECT_EQ(Described(c), c.text);
}

}  // namespace

}  // namespace net_test
