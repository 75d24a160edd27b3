// Power cuts during an install, and during the recovery that follows a
// killed one: every state the flushes allow (testing/crash_states.h) is laid
// out, the next start's recovery runs on it, and the tree must be the old
// or the new one with nothing left beside it for good. Both builds record
// their own backend, so each proves its own protocol (the Windows one under
// Wine, whose flushes are the calls the program makes).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "installation/install_archive.h"
#include "installation/install_package.h"
#include "installation/placement.h"
#include "installation/tests/install_snapshot.h"
#include "installation/tests/zip_builder.h"
#include "platform/tree.h"
#include "testing/crash_states.h"
#include "testing/scoped_switches.h"
#include "testing/temp_dir.h"

namespace installation {

namespace {

constexpr std::size_t kStatesPerRun = 250;
constexpr plat::FileTime kOldTime = 132000000000000000ULL;  // 2019-04-14

namespace fs = std::filesystem;
using install_snapshot::kPackage;
using testing_support::CrashStates;
using testing_support::FsImage;

std::string LongName(int i) {
    return "data/a-name-long-enough-that-the-journal-spans-sectors-" + std::to_string(i) + ".txt";
}

FsImage OldTree() {
    FsImage image;
    image.AddFile("bin/app.dll", "old app", kOldTime);
    image.AddFile("bin/readonly.dat", "old read-only", kOldTime + 1, plat::kAttrReadOnly);
    image.AddFile("keep.txt", "keep", kOldTime + 2);
    image.AddFile(std::string(kPackage) + "/old/x", "cleared target", kOldTime + 3);
    for (int i = 0; i < 4; ++i) image.AddFile(LongName(i), "old " + std::to_string(i), kOldTime);
    return image;
}

std::string Package() {
    std::vector<zip_builder::Entry> entries = {{"bin/app.dll", "new app"},
                                               {"bin/readonly.dat", "new read-only"},
                                               {"new/dir/c.txt", "new c"}};
    entries[1].externalAttributes = plat::kAttrReadOnly;
    for (int i = 0; i < 5; ++i) entries.emplace_back(LongName(i), "new " + std::to_string(i));
    return zip_builder::Build(entries);
}

bool Reserved(const std::string& path) { return path.rfind(".talcheck-", 0) == 0; }

install_snapshot::Tree WithoutReserved(install_snapshot::Tree tree) {
    for (auto it = tree.begin(); it != tree.end();)
        it = Reserved(it->first) ? tree.erase(it) : ++it;
    return tree;
}

// The recovery's line with its numbers left out, to count lines by kind.
std::string Shape(const std::vector<std::string>& log) {
    std::string text = log.empty() ? "(nothing)" : log[0];
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }, 'N');
    return text;
}

struct Tally {
    std::size_t mixed = 0, keptForGood = 0;
    std::map<std::string, std::size_t> lines;  // "<outcome> <- <recovery line>"
    std::vector<std::string> mixedExamples;
};

class CrashStateTest : public ::testing::Test {
protected:
    // Lays image out as <name>/install; the data directory.
    std::string LayOut(const FsImage& image, const std::string& name) {
        std::string data = dir_.Join(name);
        fs::create_directories(data + "/install");
        EXPECT_TRUE(image.LayOut(data + "/install")) << name;
        return data;
    }
    install_snapshot::Tree Snapshot(const FsImage& image) {
        install_snapshot::Tree tree =
            install_snapshot::Take(LayOut(image, "expected") + "/install");
        plat::RemoveTree(dir_.Join("expected").c_str(), nullptr);
        return tree;
    }
    vocab::LogWriter Writer(std::vector<std::string>* log) {
        return [log](const vocab::LogEvent& e) { log->push_back(vocab::LogLineText(e)); };
    }

    // Records an install (cut short before step killAt, then recovered, when
    // killAt is not negative) on the old tree; its crash states.
    CrashStates Record(int killAt);
    void Judge(const testing_support::CrashState& state, Tally* tally);
    void Run(const char* what, int killAt);

    testing_support::ScopedTempDir dir_;
    std::string package_ = dir_.Join(kPackage);
    install_snapshot::Tree old_, new_;
    int states_ = 0;
};

CrashStates CrashStateTest::Record(int killAt) {
    std::string data = LayOut(OldTree(), "run");
    std::string install = data + "\\install";
    std::vector<plat::TreeEvent> events;
    std::vector<std::string> log;
    {
        testing_support::ScopedSwitch hook = testing_support::ScopedStepHook(
            [killAt](std::size_t step) { return killAt < 0 || step < std::size_t(killAt); });
        plat::ScopedTreeRecording recording(&events);
        InstallArchive(package_.c_str(), install, kPackage, PackageLimits());
        if (killAt >= 0) RecoverLeftoverInstall(data.c_str(), Writer(&log));
    }
    FsImage after = testing_support::Replay(OldTree(), events, install);
    EXPECT_EQ(install_snapshot::Take(data + "/install"), Snapshot(after)) << "the model lost track";
    plat::RemoveTree(data.c_str(), nullptr);
    return testing_support::EnumerateCrashStates(OldTree(), events, install, kStatesPerRun);
}

void CrashStateTest::Judge(const testing_support::CrashState& state, Tally* tally) {
    // Each in a folder of its own, all removed with the test's: removing
    // them one by one costs Wine more than laying them out.
    std::string data = LayOut(state.image, "state-" + std::to_string(++states_));
    std::vector<std::string> log;
    RecoverLeftoverInstall(data.c_str(), Writer(&log));
    install_snapshot::Tree after = install_snapshot::Take(data + "/install");
    install_snapshot::Tree whole = WithoutReserved(after);
    std::string outcome = after == old_                    ? "old"
                          : after == new_                  ? "new"
                          : whole == old_ || whole == new_ ? "kept"
                                                           : "mixed";
    ++tally->lines[outcome + " <- " + Shape(log)];
    if (outcome == "mixed" && ++tally->mixed <= 3)
        tally->mixedExamples.push_back(state.label + " -> " + Shape(log));
    if (outcome != "kept") return;
    // What the next install leaves of it stays for good.
    testing_support::WriteFile(package_ + ".next", zip_builder::Build({{"next.txt", "next"}}));
    InstallPackage("5.10.0124.zip", (package_ + ".next").c_str(), data.c_str(), Writer(&log),
                   nullptr);
    install_snapshot::Tree next = install_snapshot::Take(data + "/install");
    tally->keptForGood += WithoutReserved(next).size() < next.size() ? 1 : 0;
}

void CrashStateTest::Run(const char* what, int killAt) {
    ASSERT_TRUE(testing_support::WriteFile(package_, Package()));
    old_ = Snapshot(OldTree());
    std::string data = LayOut(OldTree(), "whole");
    ASSERT_TRUE(
        InstallArchive(package_.c_str(), data + "\\install", kPackage, PackageLimits()).ok());
    new_ = install_snapshot::Take(data + "/install");
    plat::RemoveTree(data.c_str(), nullptr);
    CrashStates states = Record(killAt);
    ASSERT_EQ(states.problem, "");
    Tally tally;
    for (const auto& state : states.states) Judge(state, &tally);
    std::cout << "[crash states] " << what << ": " << states.states.size() << " of "
              << states.distinct << " distinct states from " << states.units << " units, "
              << tally.mixed << " mixed, " << tally.keptForGood << " kept for good\n";
    for (const auto& line : tally.lines)
        std::cout << "  " << line.second << " x " << line.first << "\n";
    for (const std::string& example : tally.mixedExamples)
        std::cout << "  mixed: " << example << "\n";
    EXPECT_GE(states.states.size(), 150u);
    EXPECT_EQ(tally.mixed, 0u) << what;
    EXPECT_EQ(tally.keptForGood, 0u) << what;
}

TEST_F(CrashStateTest, PowerCutDuringAnInstallLeavesTheOldOrTheNewTree) { Run("install", -1); }

TEST_F(CrashStateTest, PowerCutWhileRecoveringAKilledInstallLeavesTheOldTree) {
    Run("killed install and its recovery", 9);
}

}  // namespace

}  // namespace installation
