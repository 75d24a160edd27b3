// An install killed in each phase, with what a power cut may take from it
// (a lost rename, a lost staged file, a torn or holed journal), and
// recovery itself killed and started again: the next start leaves the old
// or the new tree, nothing more, and its one line says which.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "installation/install_package.h"
#include "installation/journal.h"
#include "installation/placement.h"
#include "installation/tests/install_snapshot.h"
#include "installation/tests/zip_builder.h"
#include "platform/file_system.h"
#include "testing/temp_dir.h"

namespace installation {

namespace {

namespace fs = std::filesystem;
using install_snapshot::kPackage;
using testing_support::WriteFile;

// The package's steps: B b0 bin/app.dll, P 0 bin/app.dll, D a, P 1 a/c.txt
// (read-only).
constexpr std::size_t kSteps = 4;

// Public members: the tables' functions plant with them.
class PhaseTest : public ::testing::Test {
public:
    void SetUp() override {
        fs::create_directories(install_ + "/bin");
        ASSERT_TRUE(WriteFile(At("bin/app.dll"), "old app"));
        // One time for the test, so that a tree made again compares equal.
        fs::last_write_time(At("bin/app.dll"), oldTime_);
    }
    // Writes the package again (an install deletes it) and installs it.
    void Install() {
        zip_builder::Entry readOnly("a/c.txt", "new c");
        readOnly.externalAttributes = plat::kAttrReadOnly;
        ASSERT_TRUE(
            WriteFile(download_, zip_builder::Build({{"bin/app.dll", "new app"}, readOnly})));
        InstallPackage(kPackage, download_.c_str(), data_.c_str(), Writer(), nullptr);
    }
    void TearDown() override { SetStepHookForTesting(nullptr); }
    update::LogWriter Writer() {
        return [this](const update::LogEvent& e) { log_.push_back(update::LogLineText(e)); };
    }
    // An install abandoned before step kill (kSteps: every step taken).
    void Kill(std::size_t kill) {
        SetStepHookForTesting([kill](std::size_t step) { return step < kill; });
        Install();
        SetStepHookForTesting(nullptr);
    }
    std::string At(const std::string& relative) const { return install_ + "/" + relative; }
    std::string Staged(const std::string& name) const { return At(".talcheck-staging/" + name); }
    void EditJournal(const std::function<void(std::string&)>& edit) {
        std::string text;
        ASSERT_TRUE(testing_support::ReadFile(Staged("journal"), &text));
        edit(text);
        ASSERT_TRUE(WriteFile(Staged("journal"), text));
    }
    void Commit() {
        EditJournal([](std::string& text) { text += FormatJournalRecord(JournalEntry{}); });
    }
    void Cut() {
        EditJournal([](std::string& text) { text.resize(text.size() - 3); });
    }

    testing_support::ScopedTempDir dir_;
    std::string data_ = dir_.Join("data");
    std::string install_ = data_ + "/install";
    std::string download_ = dir_.Join(kPackage);
    std::vector<std::string> log_;
    fs::file_time_type oldTime_ = std::chrono::time_point_cast<std::chrono::seconds>(
        fs::file_time_type::clock::now() - std::chrono::hours(24));
};

struct Phase {
    const char* label;
    std::function<void(PhaseTest&)> leave;
    bool newTree;
    const char* line;  // inside "RECOVERED: install (...)"
};

class KilledPhaseTest : public PhaseTest, public ::testing::WithParamInterface<Phase> {};

TEST_P(KilledPhaseTest, NextStartLeavesOneTreeAndSaysWhich) {
    const Phase& p = GetParam();
    install_snapshot::Tree before = install_snapshot::Take(install_);
    Kill(kSteps + 1);
    install_snapshot::Tree after = install_snapshot::Take(install_);
    plat::RemoveTree(install_.c_str(), nullptr);  // read-only files too
    SetUp();

    p.leave(*this);
    log_.clear();
    RecoverLeftoverInstall(data_.c_str(), Writer());
    EXPECT_EQ(log_, std::vector<std::string>{std::string("RECOVERED: install (") + p.line + ")"})
        << p.label;
    EXPECT_EQ(install_snapshot::Take(install_), p.newTree ? after : before) << p.label;
}

const char* const kNoStep = "removed an unfinished .talcheck-staging (no step taken)";

INSTANTIATE_TEST_SUITE_P(
    Table, KilledPhaseTest,
    ::testing::Values(
        Phase{"staging",
              [](PhaseTest& f) {
                  fs::create_directories(f.Staged(""));
                  WriteFile(f.Staged("journal"), "");
                  WriteFile(f.Staged("0"), "new app");
              },
              false, kNoStep},
        Phase{"journal written", [](PhaseTest& f) { f.Kill(0); }, false, "rolled back 0 files"},
        Phase{"moving", [](PhaseTest& f) { f.Kill(2); }, false, "rolled back 2 files"},
        Phase{"moved, no commit", [](PhaseTest& f) { f.Kill(kSteps); }, false,
              "rolled back 3 files"},
        Phase{"committed", [](PhaseTest& f) { f.Kill(kSteps), f.Commit(); }, true,
              "finished an install"},
        Phase{"removing the folder",
              [](PhaseTest& f) { f.Kill(kSteps), f.Commit(), fs::remove(f.Staged("b0")); }, true,
              "finished an install"},
        Phase{"journal removed",
              [](PhaseTest& f) {
                  f.Kill(kSteps), fs::remove(f.Staged("b0")), fs::remove(f.Staged("journal"));
              },
              true, "removed an empty .talcheck-staging"},
        Phase{"recovery killed part-way",
              [](PhaseTest& f) { f.Kill(kSteps), fs::rename(f.At("bin/app.dll"), f.Staged("0")); },
              false, "rolled back 2 files"},
        Phase{"recovery killed while removing",
              [](PhaseTest& f) {
                  f.Kill(kSteps);
                  fs::rename(f.At("bin/app.dll"), f.Staged("0"));
                  fs::rename(f.Staged("b0"), f.At("bin/app.dll"));
                  fs::permissions(f.At("a/c.txt"), fs::perms::owner_all);
                  fs::remove_all(f.At("a"));
                  fs::remove(f.Staged("0"));
              },
              false, "rolled back 0 files"},
        // The old file is at its path, the staged one's creation was lost.
        Phase{"staged file lost", [](PhaseTest& f) { f.Kill(0), fs::remove(f.Staged("0")); }, false,
              "rolled back 0 files"},
        Phase{"commit without its renames", [](PhaseTest& f) { f.Kill(0), f.Commit(); }, true,
              "finished an install"},
        Phase{"torn step record", [](PhaseTest& f) { f.Kill(0), f.Cut(); }, false, kNoStep},
        // The first step record lost, later ones on disk.
        Phase{"journal with a hole",
              [](PhaseTest& f) {
                  f.Kill(0);
                  f.EditJournal([](std::string& text) {
                      std::size_t first = text.find('\n') + 1;
                      std::fill(text.begin() + first, text.begin() + text.find('\n', first) + 1,
                                '\0');
                  });
              },
              false, kNoStep},
        Phase{"torn commit", [](PhaseTest& f) { f.Kill(kSteps), f.Commit(), f.Cut(); }, false,
              "rolled back 3 files"}),
    [](const ::testing::TestParamInfo<Phase>& p) { return std::to_string(p.index); });

// A folder kept aside by an earlier run: judged before the next install,
// removed after it when the tree needs nothing in it.
TEST_F(PhaseTest, KeptFolderGoesWithTheNextInstallOnceShownNeedless) {
    struct Case {
        const char* label;
        std::function<void()> leave;
        std::vector<std::string> lines;  // between "START COPY: " and "END COPY: "
    } cases[] = {
        {"not undone then",
         [this] { Kill(kSteps); },
         {"RECOVERED: install (rolled back 3 files from .talcheck-kept-1)",
          "RECOVERED: install (removed .talcheck-kept-1)"}},
        {"finished, in use then",
         [this] { Kill(kSteps), Commit(); },
         {"RECOVERED: install (removed .talcheck-kept-1)"}},
        {"of another version",
         [this] { fs::create_directories(Staged("")), WriteFile(Staged("journal"), "D a\n"); },
         {}},
    };
    for (const Case& c : cases) {
        c.leave();
        fs::rename(Staged(""), At(".talcheck-kept-1"));
        log_.clear();
        Install();
        std::vector<std::string> expected{std::string("START COPY: ") + kPackage};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.push_back(std::string("END COPY: ") + kPackage);
        EXPECT_EQ(log_, expected) << c.label;
        EXPECT_EQ(fs::exists(At(".talcheck-kept-1")), c.lines.empty()) << c.label;
        fs::remove_all(At(".talcheck-kept-1"));
    }
}

// A file with a second link outside install keeps its mode, whether the
// undo or the finish meets it, and when the staging folder is removed.
TEST_F(PhaseTest, FileWithASecondLinkKeepsItsMode) {
    struct Case {
        const char* label;
        std::function<void()> leave;
        std::string linked;  // below install
        const char* bytes;
    } cases[] = {{"undo", [this] { Kill(kSteps); }, "bin/app.dll", "new app"},
                 {"finish", [this] { Kill(0), Commit(); }, ".talcheck-staging/1", "new c"}};
    for (const Case& c : cases) {
        std::string outside = dir_.Join("outside.txt");
        ASSERT_TRUE(WriteFile(outside, c.bytes));
        fs::permissions(outside, fs::perms::owner_read);
        c.leave();
        std::error_code ec;
        fs::permissions(At(c.linked), fs::perms::owner_all, ec);
        fs::remove(At(c.linked));
        fs::create_hard_link(outside, At(c.linked), ec);
        if (ec) GTEST_SKIP() << "no hard links here";
        fs::perms mode = fs::status(outside).permissions();

        RecoverLeftoverInstall(data_.c_str(), Writer());

        EXPECT_EQ(fs::status(outside).permissions(), mode) << c.label;
        fs::permissions(outside, fs::perms::owner_all);
        fs::remove(outside);
    }
}

}  // namespace

}  // namespace installation
