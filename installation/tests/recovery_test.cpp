// Leftovers of installs cut short, some damaged and some planted by a local
// user: recovery always ends, touches nothing outside install, never deletes
// what it cannot put back, says what it did in one line, and the next
// install goes ahead.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installation/install_package.h"
#include "installation/journal.h"
#include "installation/tests/install_snapshot.h"
#include "installation/tests/journal_text.h"
#include "installation/tests/zip_builder.h"
#include "testing/odd_files.h"
#include "testing/temp_dir.h"

namespace installation {

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

using install_snapshot::kPackage;
using journal_text::Aside;
using journal_text::Placed;
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
    std::string bytes;
    return !ec && fs::is_symlink(fs::symlink_status(at, ec)) &&
           ReadFile(at + "/victim.txt", &bytes) && bytes == "victim";
}

bool PlacedThroughLink(const Dirs& d) {
    return Link(d.install + "/link", d.outside) &&
           Journal(d, Text({Placed("5", "link/victim.txt", "victim")}, false));
}
bool MovedAsideThroughLink(const Dirs& d) {
    return Link(d.install + "/link", d.outside) &&
           Journal(d, Text({Aside(d.install, "b7", "link/sub/planted.sh")}, false)) &&
           WriteFile(d.staging() + "/b7", "planted");
}
bool DirectoryThroughLink(const Dirs& d) {
    return Link(d.install + "/link", d.outside) &&
           Journal(d, Text({journal_text::Dir("link/emptydir")}, false));
}
bool StagingIsALink(const Dirs& d) { return Link(d.staging(), d.outside); }
bool CommittedWithLinkInside(const Dirs& d) {
    return Journal(d, Text({Aside(d.install, "target", "5.10.0123.zip")}, true)) &&
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
// Records that pass their checks but that no install writes.
bool JournalMalformed(const Dirs& d) {
    JournalEntry unknown;
    unknown.kind = 'X';
    unknown.path = "what";
    return Journal(d, Text({Aside(d.install, "b0", "bin/app.dll"), unknown}, false)) &&
           WriteFile(d.staging() + "/b0", "old app");
}
bool OlderJournal(const Dirs& d) {
    return Journal(d, "B b0 bin/app.dll\n") && WriteFile(d.staging() + "/b0", "old app");
}
// The old file cannot return: a file was made again in its place.
bool RollBackBlocked(const Dirs& d) {
    return Journal(d, Text({Aside(d.install, "b0", "bin/app.dll")}, false)) &&
           WriteFile(d.staging() + "/b0", "old app") &&
           WriteFile(d.install + "/bin/app.dll", "made again");
}
// Every step taken: bin/app.dll moved aside, the new one and bin/x in place.
std::string Taken(const Dirs& d, bool committed) {
    std::string text = Text({Aside(d.install, "b0", "bin/app.dll"),
                             Placed("0", "bin/app.dll", "new app"), Placed("1", "bin/x", "x")},
                            committed);
    fs::create_directories(d.staging());
    fs::rename(d.install + "/bin/app.dll", d.staging() + "/b0");
    return WriteFile(d.install + "/bin/app.dll", "new app") && WriteFile(d.install + "/bin/x", "x")
               ? text
               : "";
}
// A power cut while the commit was being written.
bool TornCommit(const Dirs& d) {
    std::string text = Taken(d, true);
    return !text.empty() && Journal(d, text.substr(0, text.size() - 4));
}
// A power cut while the step records were being written: the last is torn.
bool TornSteps(const Dirs& d) {
    std::string text = Text({Aside(d.install, "b0", "bin/app.dll"),
                             Placed("0", "bin/app.dll", "new app"), Placed("1", "bin/x", "x")},
                            false);
    return Journal(d, text.substr(0, text.size() - 5)) && WriteFile(d.staging() + "/0", "new app");
}
// A block of the step records was lost while a later one reached the disk.
bool JournalWithAHole(const Dirs& d) {
    std::string text = Text({Aside(d.install, "b0", "bin/app.dll"),
                             Placed("0", "bin/app.dll", "new app"), Placed("1", "bin/x", "x")},
                            false);
    std::size_t second = text.find('\n', text.find('\n') + 1) + 1;
    std::size_t third = text.find('\n', second) + 1;
    std::fill(text.begin() + static_cast<long>(second), text.begin() + static_cast<long>(third),
              '\0');
    return Journal(d, text) && WriteFile(d.staging() + "/0", "new app");
}
// The staged file's creation was lost, the old file is still at its path.
bool StagedFileLost(const Dirs& d) {
    return Journal(
        d, Text({Aside(d.install, "b0", "bin/app.dll"), Placed("0", "bin/app.dll", "new app")},
                false));
}
// The same for a new path, where a file of someone else's was made since.
bool StagedFileLostPathTaken(const Dirs& d) {
    return Journal(d, Text({Placed("1", "bin/new.txt", "new")}, false)) &&
           WriteFile(d.install + "/bin/new.txt", "old app");
}
// The commit reached the disk, the renames before it did not.
bool CommitWithoutRenames(const Dirs& d) {
    return Journal(d, Text({Aside(d.install, "b0", "bin/app.dll"),
                            Placed("0", "bin/app.dll", "new app")},
                           true)) &&
           WriteFile(d.staging() + "/0", "new app");
}
bool NoJournal(const Dirs& d) {
    return Journal(d, "") && fs::remove(d.staging() + "/journal") &&
           WriteFile(d.staging() + "/0", "new app");
}

struct Leftover {
    const char* label;
    bool (*plant)(const Dirs&);
    const char* line;    // expected recovery line, up to its detail's first word
    const char* appDll;  // expected bin/app.dll afterwards
    const char* kept;    // a place below install that must hold "old app", or null
};

class RecoveryTest : public ::testing::TestWithParam<Leftover> {
protected:
    void SetUp() override {
        fs::create_directories(d_.install + "/bin");
        fs::create_directories(d_.outside + "/sub");
        fs::create_directories(d_.outside + "/emptydir");
        ASSERT_TRUE(WriteFile(d_.install + "/bin/app.dll", "old app"));
        ASSERT_TRUE(WriteFile(d_.outside + "/victim.txt", "victim"));
        fs::permissions(d_.outside + "/victim.txt", fs::perms::owner_read);
    }
    update::LogWriter Writer() {
        return [this](const update::LogEvent& e) { log_.push_back(update::LogLineText(e)); };
    }

    ScopedTempDir dir_;
    std::string data_ = dir_.Join("data");
    Dirs d_{data_ + "/install", dir_.Join("outside")};
    std::vector<std::string> log_;
};

TEST_P(RecoveryTest, EndsTouchesNothingOutsideAndLetsTheNextInstallGoAhead) {
    const Leftover& c = GetParam();
    if (!c.plant(d_)) GTEST_SKIP() << "cannot be made here";
    install_snapshot::Tree outside = install_snapshot::Take(d_.outside);

    RecoverLeftoverInstall(data_.c_str(), Writer());

    ASSERT_EQ(log_.size(), 1u) << c.label;
    EXPECT_EQ(log_[0].rfind(c.line, 0), 0u) << c.label << ": " << log_[0];
    EXPECT_EQ(install_snapshot::Take(d_.outside), outside) << c.label;
    std::string bytes;
    EXPECT_TRUE(ReadFile(d_.install + "/bin/app.dll", &bytes) && bytes == c.appDll) << c.label;
    if (c.kept != nullptr) {
        EXPECT_TRUE(ReadFile(d_.install + "/" + c.kept, &bytes) && bytes == "old app") << c.label;
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(d_.staging()))) << c.label;

    // The next install goes ahead, and a clean station logs nothing more.
    log_.clear();
    std::string download = dir_.Join(kPackage);
    ASSERT_TRUE(WriteFile(download, zip_builder::Build({{"bin/app.dll", "newest"}})));
    InstallPackage(kPackage, download.c_str(), data_.c_str(), Writer(), nullptr);
    EXPECT_EQ(log_, (std::vector<std::string>{std::string("START COPY: ") + kPackage,
                                              std::string("END COPY: ") + kPackage}))
        << c.label;
    EXPECT_TRUE(ReadFile(d_.install + "/bin/app.dll", &bytes) && bytes == "newest") << c.label;
    EXPECT_EQ(install_snapshot::Take(d_.outside), outside) << c.label;
}

constexpr const char* kRecovered = "RECOVERED: install (";
constexpr const char* kFailed = "RECOVERY FAILED: install (";
constexpr const char* kNoStep =
    "RECOVERED: install (removed an unfinished .talcheck-staging (no step taken))";

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
        Leftover{"malformed journal", JournalMalformed, kFailed, "old app", ".talcheck-kept-1/b0"},
        Leftover{"roll-back blocked", RollBackBlocked,
                 "RECOVERED: install (rolled back 1 files; kept", "made again",
                 "bin/app.dll.talcheck-kept"},
        Leftover{"older journal", OlderJournal,
                 "RECOVERY FAILED: install (journal of "
                 ".talcheck-staging of another version",
                 "old app", ".talcheck-kept-1/b0"},
        Leftover{"torn commit", TornCommit, "RECOVERED: install (rolled back 3 files)", "old app",
                 nullptr},
        Leftover{"torn step records", TornSteps, kNoStep, "old app", nullptr},
        Leftover{"journal with a hole", JournalWithAHole, kNoStep, "old app", nullptr},
        Leftover{"staged file lost", StagedFileLost, "RECOVERED: install (rolled back 0 files)",
                 "old app", nullptr},
        Leftover{"staged file lost, path taken", StagedFileLostPathTaken,
                 "RECOVERED: install (rolled back 0 files)", "old app", "bin/new.txt"},
        Leftover{"commit without renames", CommitWithoutRenames,
                 "RECOVERED: install (finished an install)", "new app", nullptr},
        Leftover{"no journal", NoJournal, "RECOVERED: install (removed an unfinished", "old app",
                 nullptr}),
    [](const ::testing::TestParamInfo<Leftover>& c) { return std::to_string(c.index); });

// Each record is judged by its own check: what the file system may show
// after a power cut (a torn tail, a lost block, zeros past the end) from
// what no install writes.
TEST(JournalTest, TellsEachStateFromTheRecordsAndTheirChecks) {
    using namespace std::string_literals;
    using S = JournalState;
    const std::string steps = Text({journal_text::Dir("bin"), Placed("0", "bin/a b", "a")}, false);
    const std::string done = Text({journal_text::Dir("bin"), Placed("0", "bin/a b", "a")}, true);
    std::string hole =
        Text({journal_text::Dir("bin"), journal_text::Dir("c"), Placed("0", "a", "")}, false);
    std::size_t second = hole.find('\n') + 1;
    hole.replace(second, hole.find('\n', second) + 1 - second,
                 std::string(hole.find('\n', second) + 1 - second, '\0'));
    JournalEntry bad = Placed("0", "../x", "a");
    struct Case {
        const char* label;
        std::string text;
        S state;
        std::size_t entries;
        bool hole;
    } cases[] = {
        {"empty", "", S::kNoStep, 0, false},
        {"steps", steps, S::kSteps, 2, false},
        {"committed", done, S::kCommitted, 2, false},
        {"zeros past the commit", done + "\0\0\0"s, S::kCommitted, 2, false},
        {"torn commit", done.substr(0, done.size() - 3), S::kSteps, 2, false},
        {"torn step", steps.substr(0, steps.size() - 3), S::kNoStep, 1, false},
        {"header only", FormatJournalHeader(2), S::kNoStep, 0, false},
        {"hole", hole, S::kNoStep, 1, true},
        {"flipped byte", steps.substr(0, steps.size() - 2) + "c\n", S::kNoStep, 1, false},
        {"record after the commit", done + FormatJournalRecord(journal_text::Dir("d")),
         S::kMalformed, 2, false},
        {"path leaving install", Text({bad}, false), S::kMalformed, 0, false},
        {"older version", "D bin\nP 0 bin/a\n", S::kUnknownVersion, 0, false},
        {"newer version", "479af0ac 5 J 3 0\n", S::kUnknownVersion, 0, false},
    };
    for (const Case& c : cases) {
        JournalContents journal = ReadJournal(c.text);
        EXPECT_EQ(journal.state, c.state) << c.label;
        EXPECT_EQ(journal.entries.size(), c.entries) << c.label;
        EXPECT_EQ(journal.hole, c.hole) << c.label;
    }
}

}  // namespace

}  // namespace installation
