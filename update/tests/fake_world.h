// A fake installer server and file system for the run's tests: folder
// listings by URL, failures and refusals by name, and a journal of every
// call the run makes, in order.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "testing/temp_dir.h"
#include "update/update_run.h"

namespace update {

// The base URL the tests run against, and the URL of a line's folder in it.
extern const std::string kBase;
std::string Folder(const char* line);

class FakeWorld {
public:
    std::map<std::string, std::string> listings;
    std::string fileVersion;                              // frontend.exe's FileVersion; empty: none
    std::map<std::string, std::string> downloadFailures;  // local name -> reason
    std::map<std::string, std::string> refusals;          // listed name -> check's reason
    bool checking = false;                                // checkPackage is set
    bool recovering = false;                              // recover is set
    std::vector<std::string> journal;
    std::vector<std::string> fetched;

    UpdateServices Services();

private:
    void SetReaders(UpdateServices& s);
    void SetFetchers(UpdateServices& s);
    void SetInstallSteps(UpdateServices& s);
};

// A run in an empty working directory of its own.
class UpdateRunTest : public ::testing::Test {
protected:
    testing_support::ScopedTempDir dir;
    testing_support::ScopedCurrentDir cd{dir.path()};
    FakeWorld world;

    void Station(const std::string& text) {
        ASSERT_TRUE(testing_support::WriteFile(dir.Join("station.ini"), text));
    }
    void Run() { RunUpdate(world.Services(), kBase); }
};

// The journal lines of a package listed in line's folder as listedName and
// stored as name: its download between its two log lines.
std::vector<std::string> Delivered(const char* line, const std::string& listedName,
                                   const std::string& name);
// The journal line of name's install below dataDir.
std::string Installed(const std::string& name, const std::string& dataDir = "");
std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts);

}  // namespace update
