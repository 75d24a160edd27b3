// An install killed in each phase, with what a power cut may take from it
// (a lost rename, a lost staged file, a torn or holed journal), and
// recovery itself killed and started again: the next start leaves the old
// or the new tree, nothing more, and its one line says which. A file with
// a second link outside keeps its mode. Folders kept aside go with the
// next install once shown needless.
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
    vocab::LogWriter Writer() {
        return [this](const vocab::LogEvent& e) { log_.push_back(vocab::LogLineText(e)); };
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
    testing_support::ScopedTempDir dir_;
    std::string data_ = dir_.Join("data");
    std::string install_ = data_ + "/install";
    std::string download_ = dir_.Join(kPackage);
    std::string outside_ = dir_.Join("outside.txt");
    std::vector<std::string> log_;
    fs::file_time_type oldTime_ = std::chrono::time_point_cast<std::chrono::seconds>(
        fs::file_time_type::clock::now() - std::chrono::hours(24));
};

// The state a kill leaves, and what a power cut then took from it.
struct Phase {
    const char* label;
    std::size_t kill;  // the step the install was killed before
    bool committed;    // a commit record appended
    void (*edit)(PhaseTest&);
    bool newTree;
    const char* line;  // inside "RECOVERED: install (...)"
};

void EmptyJournal(PhaseTest& f) {
    f.EditJournal([](std::string& t) { t = ""; });
}
void Cut(PhaseTest& f) {
    f.EditJournal([](std::string& t) { t.resize(t.size() - 3); });
}
// The first step record lost, later ones on disk.
void Hole(PhaseTest& f) {
    f.EditJournal([](std::string& t) {
        std::size_t first = t.find('\n') + 1;
        std::fill(t.begin() + first, t.begin() + t.find('\n', first) + 1, '\0');
    });
}
void Remove(PhaseTest& f, const char* name) { fs::remove(f.Staged(name)); }
void RemoveFolder(PhaseTest& f) { Remove(f, "b0"); }
void RemoveFolderAndJournal(PhaseTest& f) { Remove(f, "b0"), Remove(f, "journal"); }
// The old file is at its path, the staged one's creation was lost.
void LoseStagedFile(PhaseTest& f) { Remove(f, "0"); }
// Recovery killed part-way: the new file moved back into staging.
void UndoOneMove(PhaseTest& f) { fs::rename(f.At("bin/app.dll"), f.Staged("0")); }
// Recovery killed while removing the folder after a whole undo.
void UndoAll(PhaseTest& f) {
    fs::rename(f.At("bin/app.dll"), f.Staged("0"));
    fs::rename(f.Staged("b0"), f.At("bin/app.dll"));
    fs::permissions(f.At("a/c.txt"), fs::perms::owner_all);
    fs::remove_all(f.At("a")), Remove(f, "0");
}
// The placed file is a link to a read-only file outside.
void LinkOutside(PhaseTest& f) {
    fs::remove(f.At("bin/app.dll"));
    fs::create_hard_link(f.outside_, f.At("bin/app.dll"));
}

const char* const kNoStep = "removed an unfinished .talcheck-staging (no step taken)";

const Phase kPhases[] = {
    {"staging", 0, false, EmptyJournal, false, kNoStep},
    {"journal written", 0, false, nullptr, false, "rolled back 0 files"},
    {"moving", 2, false, nullptr, false, "rolled back 2 files"},
    {"moved, no commit", kSteps, false, nullptr, false, "rolled back 3 files"},
    {"committed", kSteps, true, nullptr, true, "finished an install"},
    {"removing the folder", kSteps, true, RemoveFolder, true, "finished an install"},
    {"journal removed", kSteps, false, RemoveFolderAndJournal, true,
     "removed an empty .talcheck-staging"},
    {"recovery killed part-way", kSteps, false, UndoOneMove, false, "rolled back 2 files"},
    {"recovery killed again", kSteps, false, UndoAll, false, "rolled back 0 files"},
    {"staged file lost", 0, false, LoseStagedFile, false, "rolled back 0 files"},
    {"commit without its renames", 0, true, nullptr, true, "finished an install"},
    {"torn step record", 0, false, Cut, false, kNoStep},
    {"journal with a hole", 0, false, Hole, false, kNoStep},
    {"torn commit", kSteps, true, Cut, false, "rolled back 3 files"},
    {"second link", kSteps, false, LinkOutside, false, "rolled back 3 files"},
};

TEST_F(PhaseTest, NextStartLeavesOneTreeAndSaysWhich) {
    install_snapshot::Tree before = install_snapshot::Take(install_);
    Kill(kSteps + 1);
    install_snapshot::Tree after = install_snapshot::Take(install_);
    ASSERT_TRUE(WriteFile(outside_, "new app"));
    fs::permissions(outside_, fs::perms::owner_read);
    fs::perms mode = fs::status(outside_).permissions();
    for (const Phase& p : kPhases) {
        plat::RemoveTree(install_.c_str(), nullptr);  // read-only files too
        SetUp();
        Kill(p.kill);
        if (p.committed) EditJournal([](std::string& t) { t += FormatJournalRecord({}); });
        if (p.edit != nullptr) p.edit(*this);
        log_.clear();
        RecoverLeftoverInstall(data_.c_str(), Writer());
        EXPECT_EQ(log_,
                  std::vector<std::string>{"RECOVERED: install (" + std::string(p.line) + ")"})
            << p.label;
        EXPECT_EQ(install_snapshot::Take(install_), p.newTree ? after : before) << p.label;
        EXPECT_EQ(fs::status(outside_).permissions(), mode) << p.label;
    }
}

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
         [this] {
             Kill(kSteps);
             EditJournal([](std::string& t) { t += FormatJournalRecord({}); });
         },
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

}  // namespace

}  // namespace installation
