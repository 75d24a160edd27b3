// An install killed in a phase: the next start leaves the old or the new
// tree, and its one line says which. A file with a second link outside
// keeps its mode. Folders kept aside go with the next install once shown
// needless.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "installation/journal.h"
#include "installation/placement.h"
#include "installation/tests/install_fixture.h"
#include "platform/file_system.h"
#include "testing/scoped_switches.h"

namespace installation {

namespace {

// The package's steps: B b0 bin/app.dll, P 0 bin/app.dll, D a, P 1 a/c.txt
// (read-only).
constexpr std::size_t kSteps = 4;

// Public members: the tables' functions plant with them.
class PhaseTest : public InstallFixture {
public:
    void SetUp() override {
        InstallFixture::SetUp();
        // One time for the test, so that a tree made again compares equal.
        for (const char* file : {"bin/app.dll", "keep.txt"})
            fs::last_write_time(At(file), oldTime_);
    }
    // Writes the package again (an install deletes it) and installs it.
    void Install() {
        Entry readOnly("a/c.txt", "new c");
        readOnly.externalAttributes = plat::kAttrReadOnly;
        PutPackage({{"bin/app.dll", "new app"}, readOnly});
        InstallFixture::Install();
    }
    // An install abandoned before step kill (kSteps: every step taken).
    void Kill(std::size_t kill) {
        testing_support::ScopedSwitch hook =
            testing_support::ScopedStepHook([kill](std::size_t step) { return step < kill; });
        Install();
    }
    std::string At(const std::string& relative) const { return install_ + "/" + relative; }
    std::string Staged(const std::string& name) const { return At(".talcheck-staging/" + name); }
    void EditJournal(const std::function<void(std::string&)>& edit) {
        std::string text;
        ASSERT_TRUE(ReadFile(Staged("journal"), &text));
        edit(text);
        ASSERT_TRUE(WriteFile(Staged("journal"), text));
    }
    std::string outside_ = dir_.Join("outside.txt");
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

void Cut(PhaseTest& f) {
    f.EditJournal([](std::string& t) { t.resize(t.size() - 3); });
}
void RemoveFolderAndJournal(PhaseTest& f) {
    fs::remove(f.Staged("b0")), fs::remove(f.Staged("journal"));
}
// The placed file is a link to a read-only file outside.
void LinkOutside(PhaseTest& f) {
    fs::remove(f.At("bin/app.dll"));
    fs::create_hard_link(f.outside_, f.At("bin/app.dll"));
}

// One row per line recovery writes; every other state a kill or power cut
// leaves is judged in crash_state_test.cpp.
const Phase kPhases[] = {
    {"torn step record", 0, false, Cut, false,
     "removed an unfinished .talcheck-staging (no step taken)"},
    {"moving", 2, false, nullptr, false, "rolled back 2 files"},
    {"committed", kSteps, true, nullptr, true, "finished an install"},
    {"journal removed", kSteps, false, RemoveFolderAndJournal, true,
     "removed an empty .talcheck-staging"},
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
    };
    for (const Case& c : cases) {
        c.leave();
        fs::rename(Staged(""), At(".talcheck-kept-1"));
        log_.clear();
        Install();
        EXPECT_EQ(log_, CopyLines(c.lines)) << c.label;
        EXPECT_FALSE(fs::exists(At(".talcheck-kept-1"))) << c.label;
        fs::remove_all(At(".talcheck-kept-1"));
    }
}

}  // namespace

}  // namespace installation
