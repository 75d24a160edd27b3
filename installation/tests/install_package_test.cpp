// The installation step: install directory, clearing the target, placing
// the package, deleting the download, and its two log lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installation/install_package.h"
#include "installation/tests/install_fixture.h"
#include "platform/file_system.h"

namespace installation {

namespace {

struct PathCase {
    const char* dataDirectory;
    const char* installDirectory;
    const char* targetPath;
};

class FormInstallPathsTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(FormInstallPathsTest, JoinsWithBackslashes) {
    char install[260], target[260];
    ASSERT_TRUE(FormInstallPaths(GetParam().dataDirectory, "5.10.0123.zip", install, target));
    EXPECT_STREQ(install, GetParam().installDirectory);
    EXPECT_STREQ(target, GetParam().targetPath);
}

INSTANTIATE_TEST_SUITE_P(Table, FormInstallPathsTest,
                         ::testing::Values(PathCase{"D:\\Data", "D:\\Data\\install",
                                                    "D:\\Data\\install\\5.10.0123.zip"},
                                           PathCase{"", "\\install", "\\install\\5.10.0123.zip"},
                                           PathCase{"D:\\Data\\", "D:\\Data\\\\install",
                                                    "D:\\Data\\\\install\\5.10.0123.zip"}));

TEST(FormInstallPaths, RefusesPathsThatDoNotFit) {
    char install[260], target[260];
    std::string data(251, 'd');                                         // + "\install" = 259
    EXPECT_FALSE(FormInstallPaths(data.c_str(), "", install, target));  // target needs 260
    EXPECT_TRUE(FormInstallPaths(std::string(240, 'd').c_str(), "x.zip", install, target));
    EXPECT_FALSE(FormInstallPaths(std::string(252, 'd').c_str(), "x.zip", install, target));
    EXPECT_FALSE(FormInstallPaths(std::string(245, 'd').c_str(), "5.10.0123.zip", install, target));
}

TEST(IsZipPackageName, FindsDotZipAnywhereInAnyCase) {
    for (const char* yes : {"5.10.0123.zip", "5.10.0123.ZIP", "old.zip.bak", "a.Zip", ".zip"})
        EXPECT_TRUE(IsZipPackageName(yes)) << yes;
    for (const char* no : {"5.10.0123.exe", "zip", "a.zi", "", "archive_zip"})
        EXPECT_FALSE(IsZipPackageName(no)) << no;
}

class InstallPackageTest : public ::testing::Test {
protected:
    vocab::LogWriter Writer() {
        return [this](const vocab::LogEvent& e) {
            log_.push_back(vocab::LogPrefix(e.kind) + ("|" + e.text) + "|" + e.detail);
        };
    }
    std::string Download(const std::string& bytes) {
        std::string path = dir_.Join("download.bin");
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    std::string Install(const std::string& relative = "") {
        return data_ + "/install" + (relative.empty() ? "" : "/" + relative);
    }

    ScopedTempDir dir_;
    std::string data_ = dir_.Join("data");
    std::vector<std::string> log_;
};

// An install's log of name, with the lines between its own two.
std::vector<std::string> Logged(const std::string& name, std::vector<std::string> inner = {}) {
    inner.insert(inner.begin(), "START COPY: |" + name + "|");
    inner.push_back("END COPY: |" + name + "|");
    return inner;
}

struct TargetCase {
    const char* label;
    const char* packageName;
    int existingTarget;  // 0 none, 1 file, 2 directory tree
};

class InstallTargetTest : public InstallPackageTest,
                          public ::testing::WithParamInterface<TargetCase> {};

TEST_P(InstallTargetTest, ClearsTheTargetPlacesThePackageAndDeletesTheDownload) {
    const TargetCase& c = GetParam();
    ASSERT_TRUE(plat::MakeDirectory(data_.c_str()));
    ASSERT_TRUE(plat::MakeDirectory(Install().c_str()));
    ASSERT_TRUE(WriteFile(Install("unrelated.txt"), "stays"));
    std::string target = Install(c.packageName);
    if (c.existingTarget == 1) {
        ASSERT_TRUE(WriteFile(target, "old"));
    }
    if (c.existingTarget == 2) {
        fs::create_directories(target + "/deep/er");
        ASSERT_TRUE(WriteFile(target + "/deep/er/f.txt", "old"));
    }
    bool zip = IsZipPackageName(c.packageName);
    std::string download = Download(zip ? zip_builder::Build({{"bin/app.txt", "unpacked"}})
                                        : std::string("copied bytes"));

    EXPECT_TRUE(InstallPackage(c.packageName, download.c_str(), data_.c_str(), Writer(), nullptr));

    EXPECT_EQ(log_, Logged(c.packageName));
    EXPECT_FALSE(FileExists(download));
    std::string bytes;
    EXPECT_TRUE(ReadFile(Install("unrelated.txt"), &bytes));
    if (zip) {
        EXPECT_FALSE(FileExists(target)) << c.label;
        ASSERT_TRUE(ReadFile(Install("bin/app.txt"), &bytes));
        EXPECT_EQ(bytes, "unpacked");
    } else {
        ASSERT_TRUE(ReadFile(target, &bytes));
        EXPECT_EQ(bytes, "copied bytes");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, InstallTargetTest,
                         ::testing::Values(TargetCase{"zip, no target", "5.10.0123.zip", 0},
                                           TargetCase{"zip, file target", "5.10.0123.zip", 1},
                                           TargetCase{"zip, tree target", "5.10.0123.zip", 2},
                                           TargetCase{"copy, no target", "5.10.0123.exe", 0},
                                           TargetCase{"copy, file target", "5.10.0123.exe", 1},
                                           TargetCase{"copy, tree target", "5.10.0123.exe", 2}));

// A package held open since its download: the held bytes are installed, or,
// when its name was changed behind it (POSIX only; Windows refuses the
// change), nothing is placed and nothing under the name is deleted.
struct HeldCase {
    const char* label;
    const char* packageName;
    bool replaceName;
};

class HeldInstallTest : public InstallPackageTest,
                        public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldInstallTest, InstallsTheHeldBytesOrRefuses) {
    const HeldCase& c = GetParam();
    ASSERT_TRUE(plat::MakeDirectory(data_.c_str()));
    bool zip = IsZipPackageName(c.packageName);
    std::string path = dir_.Join(c.packageName);
    plat::File held = plat::File::CreatePackage(path.c_str());
    std::string bytes = zip ? zip_builder::Build({{"bin/app.txt", "verified"}}) : "verified";
    ASSERT_TRUE(held.Write(bytes.data(), bytes.size()));
    if (c.replaceName) {
        std::string other = dir_.Join("unsigned");
        ASSERT_TRUE(
            WriteFile(other, zip ? zip_builder::Build({{"bin/app.txt", "unsigned"}}) : "unsigned"));
        std::error_code ec;
        fs::rename(other, path, ec);
    }
    bool replaced = held.IsNamedBy(path.c_str()) == false;

    EXPECT_TRUE(
        InstallPackage(c.packageName, held, path.c_str(), data_.c_str(), Writer(), nullptr));
    held.Close();  // Windows deletes the download with its last handle

    std::string placed = Install(zip ? "bin/app.txt" : c.packageName);
    std::string got;
    std::vector<std::string> expectedLog = Logged(c.packageName);
    if (replaced) {
        expectedLog = Logged(c.packageName, {std::string("COPY REFUSED: |") + c.packageName +
                                             "|(downloaded file replaced)"});
        EXPECT_FALSE(FileExists(placed));
        EXPECT_TRUE(FileExists(path));  // the file now under the name is not deleted
    } else {
        ASSERT_TRUE(ReadFile(placed, &got));
        EXPECT_EQ(got, "verified");
        EXPECT_FALSE(FileExists(path));
    }
    EXPECT_EQ(log_, expectedLog);
}

INSTANTIATE_TEST_SUITE_P(Table, HeldInstallTest,
                         ::testing::Values(HeldCase{"zip", "5.10.0123.zip", false},
                                           HeldCase{"zip_name_replaced", "5.10.0123.zip", true},
                                           HeldCase{"copy", "5.10.0123.exe", false},
                                           HeldCase{"copy_name_replaced", "5.10.0123.exe", true}),
                         [](const ::testing::TestParamInfo<HeldCase>& p) {
                             return std::string(p.param.label);
                         });

TEST_F(InstallPackageTest, CreatesOneLevelOfInstallDirectoryOrStops) {
    std::string download = Download(zip_builder::Build({{"a.txt", "a"}}));
    EXPECT_FALSE(
        InstallPackage("5.10.0123.zip", download.c_str(), data_.c_str(), Writer(), nullptr));
    EXPECT_EQ(log_, Logged("5.10.0123.zip",
                           {"COPY FAILED: |5.10.0123.zip|(install: directory cannot be made)"}));
    EXPECT_TRUE(FileExists(download));
    EXPECT_FALSE(FileExists(data_));

    log_.clear();
    ASSERT_TRUE(plat::MakeDirectory(data_.c_str()));
    EXPECT_TRUE(
        InstallPackage("5.10.0123.zip", download.c_str(), data_.c_str(), Writer(), nullptr));
    EXPECT_EQ(log_.size(), 2u);
    EXPECT_TRUE(FileExists(Install("a.txt")));
}

TEST_F(InstallPackageTest, FailedPlacementKeepsTheDownloadButEndsNormally) {
    ASSERT_TRUE(plat::MakeDirectory(data_.c_str()));
    std::string empty = Download(zip_builder::Build({}));
    EXPECT_TRUE(InstallPackage("5.10.0123.zip", empty.c_str(), data_.c_str(), Writer(), nullptr));
    EXPECT_TRUE(FileExists(empty));
    EXPECT_EQ(log_,
              Logged("5.10.0123.zip", {"COPY REFUSED: |5.10.0123.zip|(no readable ZIP archive)"}));

    // No download at all: the target is left as it is.
    ASSERT_TRUE(WriteFile(Install("5.10.0124.zip"), "old"));
    EXPECT_TRUE(InstallPackage("5.10.0124.zip", "", data_.c_str(), Writer(), nullptr));
    EXPECT_TRUE(FileExists(Install("5.10.0124.zip")));
    EXPECT_EQ(log_[log_.size() - 2], "COPY REFUSED: |5.10.0124.zip|(no readable ZIP archive)");
    EXPECT_EQ(log_.back(), "END COPY: |5.10.0124.zip|");
}

TEST_F(InstallPackageTest, RefusesPathsTooLongAndNamesThatAreNoPlainFileName) {
    std::string download = Download("x");
    EXPECT_FALSE(InstallPackage("5.10.0123.zip", download.c_str(), std::string(255, 'd').c_str(),
                                Writer(), nullptr));
    EXPECT_EQ(log_.back(), "COPY FAILED: |5.10.0123.zip|(install path longer than 259 characters)");
    ASSERT_TRUE(plat::MakeDirectory(data_.c_str()));
    for (const char* name : {"..", "../x.zip", "a\\b.zip"}) {
        EXPECT_FALSE(InstallPackage(name, download.c_str(), data_.c_str(), Writer(), nullptr));
        EXPECT_EQ(log_.back(), std::string("COPY FAILED: |") + name + "|(not a plain file name)");
    }
    EXPECT_TRUE(FileExists(download));
    EXPECT_TRUE(FileExists(data_));
}

}  // namespace

}  // namespace installation
