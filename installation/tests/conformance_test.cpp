// Archives written by real tools at build time (make_archives.sh): the tree
// extracted here must have the files, bytes and modification times of the
// tree Info-ZIP unzip extracted from the same archive.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "installation/archive.h"
#include "installation/extract.h"
#include "installation/install_archive.h"
#include "platform/file_system.h"
#include "testing/temp_dir.h"

namespace installation {

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::ScopedTempDir;

const std::string kArchives = "archives";

struct Snapshot {
    std::map<std::string, std::string> files;     // relative path -> bytes
    std::map<std::string, std::int64_t> seconds;  // relative path -> write time in seconds
    std::map<std::string, bool> directories;
};

Snapshot Take(const std::string& root) {
    Snapshot s;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string relative = fs::relative(entry.path(), root).generic_string();
        if (entry.is_directory()) {
            s.directories[relative] = true;
            continue;
        }
        ReadFile(entry.path().string(), &s.files[relative]);
        s.seconds[relative] = static_cast<std::int64_t>(
            plat::ReadWriteTime(entry.path().string().c_str()) / 10000000);
    }
    return s;
}

// Extracts every item with the given password through the archive layer.
bool ExtractWithPassword(const std::string& archive, const std::string& root,
                         const char* password) {
    ArchiveHandle handle = OpenArchive(archive.c_str(), password);
    if (handle == nullptr) return false;
    SetExtractionRoot(handle, root.c_str());
    ArchiveItem item;
    GetArchiveItem(handle, -1, &item);
    bool allOk = true;
    for (std::int32_t i = 0, count = item.index; i < count; ++i) {
        GetArchiveItem(handle, i, &item);
        allOk = ExtractArchiveItem(handle, i, item.name) == ARC_OK && allOk;
    }
    CloseArchive(handle);
    return allOk;
}

struct ToolCase {
    const char* archive;
    const char* password;  // null: through the install step, and through ExtractArchive;
                           // on an archive without encryption it goes unused
};

class ConformanceTest : public ::testing::TestWithParam<ToolCase> {};

void CompareWithUnzip(const std::string& root, const std::string& archive);

TEST_P(ConformanceTest, MatchesInfoZipUnzip) {
    const ToolCase& c = GetParam();
    std::string archive = kArchives + "/" + c.archive + ".zip";
    ASSERT_TRUE(fs::exists(archive)) << "run the build: it makes " << archive;
#ifdef TALCHECK_MINIZIP_SYSTEM
    if (std::string(c.archive).find("encrypted") != std::string::npos)
        GTEST_SKIP() << "Debian's libminizip-dev decrypts nothing: run tools/setup.sh";
#endif
    ScopedTempDir dir;
    std::string root = dir.Join("install");
    std::vector<std::string> roots = {root};
    if (c.password == nullptr) {
        ASSERT_TRUE(ExtractArchive(archive.c_str(), root.c_str()));
        roots.push_back(dir.Join("whole"));
        ASSERT_TRUE(plat::MakeDirectory(roots.back().c_str()));
        vocab::Outcome outcome = InstallArchive(archive.c_str(), roots.back(), "", PackageLimits());
        ASSERT_TRUE(outcome.ok()) << outcome.Text();
    } else {
        ASSERT_TRUE(ExtractWithPassword(archive, root, c.password));
    }
    for (const std::string& tree : roots) CompareWithUnzip(tree, c.archive);
}

void CompareWithUnzip(const std::string& root, const std::string& archive) {
    SCOPED_TRACE(root);
    Snapshot ours = Take(root);
    Snapshot expected = Take(kArchives + "/expected/" + archive);
    ASSERT_FALSE(expected.files.empty());
    EXPECT_EQ(ours.directories, expected.directories);
    ASSERT_EQ(ours.files.size(), expected.files.size());
    for (const auto& [name, bytes] : expected.files) {
        EXPECT_TRUE(ours.files[name] == bytes) << name;
        EXPECT_EQ(ours.seconds[name], expected.seconds[name]) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ConformanceTest,
    ::testing::Values(ToolCase{"infozip_deflate", nullptr}, ToolCase{"infozip_stored", nullptr},
                      ToolCase{"infozip_dos_times", nullptr}, ToolCase{"infozip_streamed", nullptr},
                      ToolCase{"infozip_stdin", nullptr}, ToolCase{"infozip_stdin_zip64", nullptr},
                      ToolCase{"infozip_encrypted", "secret"},
                      ToolCase{"infozip_encrypted_streamed", "secret"},
                      ToolCase{"python_zipfile", nullptr}, ToolCase{"bsdtar", nullptr},
                      ToolCase{"bsdtar_stored", nullptr}, ToolCase{"7z", nullptr},
                      ToolCase{"infozip_deflate", "unused"}),
    [](const ::testing::TestParamInfo<ToolCase>& tool) {
        return std::string(tool.param.archive) + (tool.param.password ? "_password" : "");
    });

TEST(SymbolicLinkItem, IsWrittenAsAFileHoldingItsTarget) {
    ScopedTempDir dir;
    ASSERT_TRUE(ExtractArchive((kArchives + "/infozip_symlink.zip").c_str(), dir.path().c_str()));
    EXPECT_FALSE(fs::is_symlink(dir.Join("link")));
    EXPECT_EQ(testing_support::FileText(dir.Join("link")), "../../outside/target");
    EXPECT_EQ(testing_support::FileText(dir.Join("plain.txt")), "x\n");
}

}  // namespace

}  // namespace installation
