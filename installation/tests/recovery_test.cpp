// Leftovers of installs cut short, some damaged and some planted by a local
// user: recovery always ends, touches nothing outside install, never deletes
// what it cannot put back, says what it did in one line, and the next
// install goes ahead.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installation/journal.h"
#include "installation/staging.h"
#include "installation/tests/install_fixture.h"
#include "installation/tests/install_snapshot.h"
#include "installation/tests/journal_text.h"
#include "installation/tests/zip_builder.h"
#include "platform/tree.h"
#include "testing/odd_files.h"

namespace installation {

namespace {

using journal_text::Text;

struct Dirs {
    std::string install;
    std::string outside;
    std::string staging() const { return install + "/.talcheck-staging"; }
};

bool Journal(const Dirs& d, const std::string& text) {
    fs::create_directories(d.staging());
    return WriteFile(d.staging() + "/journal", text);
}

// A link below install to the outside folder; false where none can be made
// (the Windows build cannot make a Unix link under Wine).
bool Link(const std::string& at, const std::string& to) {
    std::error_code ec;
    fs::create_directory_symlink(to, at, ec);
    return !ec && fs::is_symlink(fs::symlink_status(at, ec)) &&
           FileText(at + "/victim.txt") == "victim";
}

bool PlacedThroughLink(const Dirs& d) {
    return Link(d.install + "/link", d.outside) &&
           Journal(d, Text({{'P', "5", "link/victim.txt"}}, false));
}
bool MovedAsideThroughLink(const Dirs& d) {
    return Link(d.install + "/link", d.outside) &&
           Journal(d, Text({{'B', "b7", "link/sub/planted.sh"}}, false)) &&
           WriteFile(d.staging() + "/b7", "planted");
}
bool DirectoryThroughLink(const Dirs& d) {
    return Link(d.install + "/link", d.outside) &&
           Journal(d, Text({{'D', "", "link/emptydir"}}, false));
}
bool StagingIsALink(const Dirs& d) { return Link(d.staging(), d.outside); }
bool CommittedWithLinkInside(const Dirs& d) {
    return Journal(d, Text({{'B', "target", "5.10.0123.zip"}}, true)) &&
           Link(d.staging() + "/target", d.outside);
}
bool FifoJournal(const Dirs& d) {
    fs::create_directories(d.staging());
    return testing_support::MakeFifo(d.staging() + "/journal") &&
           WriteFile(d.staging() + "/b0", "old app");
}
bool JournalIsADirectory(const Dirs& d) {
    fs::create_directories(d.staging() + "/journal");
    return WriteFile(d.staging() + "/b0", "old app");
}
bool JournalTooLarge(const Dirs& d) {
    std::string text;
    while (text.size() <= installation::kMaxJournalBytes) text += "B b0 bin/app.dll\n";
    return Journal(d, text) && WriteFile(d.staging() + "/b0", "old app");
}
// The old file cannot return: a file was made again in its place.
bool RollBackBlocked(const Dirs& d) {
    return Journal(d, Text({{'B', "b0", "bin/app.dll"}}, false)) &&
           WriteFile(d.staging() + "/b0", "old app") &&
           WriteFile(d.install + "/bin/app.dll", "made again");
}
// A journal of the version without checks.
bool OlderJournal(const Dirs& d) {
    return Journal(d, "B b0 bin/app.dll\n") && WriteFile(d.staging() + "/b0", "old app");
}
bool NoJournal(const Dirs& d) {
    return Journal(d, "") && fs::remove(d.staging() + "/journal") &&
           WriteFile(d.staging() + "/0", "x");
}

struct Leftover {
    const char* label;
    bool (*plant)(const Dirs&);
    const char* line;    // expected recovery line, up to its detail's first word
    const char* appDll;  // expected bin/app.dll afterwards
    const char* kept;    // a place below install that must hold "old app", or null
};

class RecoveryTest : public InstallFixture, public ::testing::WithParamInterface<Leftover> {
protected:
    void SetUp() override {
        InstallFixture::SetUp();
        fs::create_directories(d_.outside + "/sub");
        fs::create_directories(d_.outside + "/emptydir");
        ASSERT_TRUE(WriteFile(d_.outside + "/victim.txt", "victim"));
        fs::permissions(d_.outside + "/victim.txt", fs::perms::owner_read);
    }

    Dirs d_{install_, dir_.Join("outside")};
};

TEST_P(RecoveryTest, EndsTouchesNothingOutsideAndLetsTheNextInstallGoAhead) {
    const Leftover& c = GetParam();
    if (!c.plant(d_)) GTEST_SKIP() << "cannot be made here";
    install_snapshot::Tree outside = install_snapshot::Take(d_.outside);

    RecoverLeftoverInstall(data_.c_str(), Writer());

    ASSERT_EQ(log_.size(), 1u) << c.label;
    EXPECT_EQ(log_[0].rfind(c.line, 0), 0u) << c.label << ": " << log_[0];
    EXPECT_EQ(install_snapshot::Take(d_.outside), outside) << c.label;
    EXPECT_EQ(Contents("bin/app.dll"), c.appDll) << c.label;
    if (c.kept != nullptr) {
        EXPECT_EQ(Contents(c.kept), "old app") << c.label;
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(d_.staging()))) << c.label;

    // The next install goes ahead, and a clean station logs nothing more.
    log_.clear();
    PutPackage({{"bin/app.dll", "newest"}});
    Install();
    EXPECT_EQ(log_, CopyLines({})) << c.label;
    EXPECT_EQ(Contents("bin/app.dll"), "newest") << c.label;
    EXPECT_EQ(install_snapshot::Take(d_.outside), outside) << c.label;
}

constexpr const char* kRecovered = "RECOVERED: install (";
constexpr const char* kFailed = "RECOVERY FAILED: install (";

INSTANTIATE_TEST_SUITE_P(
    Table, RecoveryTest,
    ::testing::Values(
        Leftover{"placement through a link", PlacedThroughLink, kRecovered, "old app", nullptr},
        Leftover{"move-aside through a link", MovedAsideThroughLink, kFailed, "old app", nullptr},
        Leftover{"directory through a link", DirectoryThroughLink, kRecovered, "old app", nullptr},
        Leftover{"staging folder is a link", StagingIsALink, "RECOVERED: install (removed",
                 "old app", nullptr},
        Leftover{"committed, a link inside", CommittedWithLinkInside,
                 "RECOVERED: install (finished", "old app", nullptr},
        Leftover{"FIFO journal", FifoJournal, kFailed, "old app", ".talcheck-kept-1/b0"},
        Leftover{"journal is a directory", JournalIsADirectory, kFailed, "old app",
                 ".talcheck-kept-1/b0"},
        Leftover{"journal past its limit", JournalTooLarge, kFailed, "old app",
                 ".talcheck-kept-1/b0"},
        Leftover{"roll-back blocked", RollBackBlocked,
                 "RECOVERED: install (rolled back 1 files; kept", "made again",
                 "bin/app.dll.talcheck-kept"},
        Leftover{"older journal", OlderJournal, kFailed, "old app", ".talcheck-kept-1/b0"},
        Leftover{"no journal", NoJournal, "RECOVERED: install (removed an unfinished", "old app",
                 nullptr}),
    [](const ::testing::TestParamInfo<Leftover>& c) { return std::to_string(c.index); });

// What no install writes, though each record passes its check. (What a
// power cut leaves is in crash_state_test.cpp.)
TEST(JournalTest, RefusesWhatNoInstallWrites) {
    using S = JournalState;
    std::string committed = Text({{'D', "", "bin"}}, true);
    std::pair<std::string, S> cases[] = {
        {committed + std::string(2, '\0'), S::kCommitted},  // zeros past the last write
        {committed + FormatJournalRecord({'D', "", "x"}), S::kMalformed},
        {Text({{'D', "", "../x"}}, false), S::kMalformed},
        {Text({{'D', "", "/tmp"}}, false), S::kMalformed},
        {Text({{'B', "../../x", "keep.txt"}}, false), S::kMalformed},  // staged outside
        {Text({{'P', "b0", "x"}}, false), S::kMalformed},
        {"479af0ac 5 J 3 0\n", S::kUnknownVersion},
    };
    for (const auto& [text, state] : cases) EXPECT_EQ(ReadJournal(text).state, state) << text;
}

// Written in pieces, the journal is the text written at once and reads back
// whole: the header alone, one piece, the first record past a piece's edge,
// many pieces.
TEST(JournalTest, StepsWrittenInPiecesReadBackWhole) {
    const std::string longName(200, 'n');  // 217 or 218 bytes a record: 75 fit one piece
    for (std::size_t count : {0, 1, 75, 76, 2000}) {
        ScopedTempDir dir;
        plat::Tree tree = plat::Tree::Open(dir.path().c_str());
        std::vector<JournalEntry> steps;
        for (std::size_t i = 0; i < count; ++i)
            steps.push_back({'D', "", longName + std::to_string(i)});
        std::string expected = Text(steps, false), written, folder;
        {
            // Windows reads the journal only once the writer has closed it.
            Staging staging(tree);
            ASSERT_TRUE(staging.Create());
            ASSERT_TRUE(staging.WriteSteps(steps));
            folder = staging.folder();
        }
        ASSERT_TRUE(ReadFile(dir.Join(folder + "/journal"), &written));
        EXPECT_EQ(written, expected) << count << " steps";
        EXPECT_EQ(ReadJournal(written).entries.size(), count);
    }
}

}  // namespace

}  // namespace installation
