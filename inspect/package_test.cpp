#include "inspect/package_test.h"

#include <chrono>
#include <filesystem>

#include "installation/archive.h"
#include "installation/install_archive.h"
#include "net/download.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"

namespace inspect {
namespace {

int CountItems(const std::string& path) {
    ArchiveHandle archive = OpenArchive(path.c_str(), nullptr);
    ArchiveItem item{};
    int count = archive && GetArchiveItem(archive, -1, &item) == ARC_OK ? item.index : 0;
    CloseArchive(archive);
    return count;
}

}  // namespace

ArchiveVerdict TestArchive(const std::string& path, const std::string& scratch) {
    ArchiveVerdict verdict;
    verdict.items = CountItems(path);
    InstallFault fault;
    InstallOutcome outcome = InstallArchive(path.c_str(), scratch, "", PackageLimits{}, &fault);
    if (outcome != InstallOutcome::kInstalled) {
        verdict.problem = (outcome == InstallOutcome::kRefused ? "refused: " : "failed: ") +
                          (fault.item.empty() ? fault.reason : fault.item + ": " + fault.reason);
    }
    verdict.passed = verdict.problem.empty();
    return verdict;
}

std::string MakeScratchDirectory() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) return "";
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate =
            base / ("talcheck-inspect-" + std::to_string(stamp) + "-" + std::to_string(attempt));
        if (std::filesystem::create_directory(candidate, ec)) return candidate.string();
    }
    return "";
}

void RemoveScratchDirectory(const std::string& path) {
    if (!path.empty()) plat::RemoveTree(path.c_str(), nullptr);
}

PackageTest DownloadAndTest(const std::string& url, const std::string& localName) {
    PackageTest test;
    test.url = url;
    test.localName = localName;
    std::string scratch = MakeScratchDirectory();
    char localPath[plat::kPathSize] = {};
    if (scratch.empty() || !plat::CopyBounded(localPath, sizeof localPath, scratch.c_str())) {
        test.problem = "no scratch directory";
        RemoveScratchDirectory(scratch);
        return test;
    }
    net::DownloadResult download = net::DownloadPackage(url.c_str(), localName.c_str(), localPath);
    test.downloaded = download.complete;
    test.bytes = download.received;
    if (!test.downloaded) {
        test.problem = "download failed: " + net::DescribeFailure(download);
    } else {
        std::error_code ec;
        std::filesystem::path unpacked = std::filesystem::path(scratch) / "install";
        std::filesystem::create_directory(unpacked, ec);
        ArchiveVerdict verdict = TestArchive(localPath, unpacked.string());
        test.items = verdict.items;
        test.problem = verdict.problem;
    }
    test.passed = test.problem.empty();
    RemoveScratchDirectory(scratch);
    return test;
}

}  // namespace inspect
