#include "inspect/package_test.h"

#include <chrono>
#include <filesystem>

#include "installation/archive.h"
#include "net/download.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"

namespace inspect {
namespace {

std::string DescribeCode(std::uint32_t code) {
    switch (code) {
        case ARC_OPEN_FAILED:
            return "cannot be written (name or path refused)";
        case ARC_WRITE_FAILED:
            return "write failed";
        case ARC_BAD_LOCAL_HEADER:
            return "local header does not match, or unknown method";
        case ARC_EXTRA_FIELD_FAILED:
            return "extra field unreadable";
        case ARC_PASSWORD:
            return "encrypted with an unknown password";
        case ARC_BAD_ARGUMENT:
            return "central directory damaged";
        case ARC_DATA_ERROR:
            return "data broken (CRC-32 mismatch or cut short)";
        default:
            return "result code " + std::to_string(code);
    }
}

}  // namespace

ArchiveVerdict TestArchive(const std::string& path, const std::string& scratch) {
    ArchiveVerdict verdict;
    ArchiveHandle archive = OpenArchive(path.c_str(), nullptr);
    if (!archive) {
        verdict.problem = "not a ZIP archive";
        return verdict;
    }
    ArchiveItem item{};
    std::uint32_t code = SetExtractionRoot(archive, scratch.c_str());
    if (code == ARC_OK) code = GetArchiveItem(archive, -1, &item);
    verdict.items = code == ARC_OK ? item.index : 0;
    if (code == ARC_OK && verdict.items == 0) verdict.problem = "the archive lists no items";
    for (std::int32_t i = 0; code == ARC_OK && i < verdict.items; ++i) {
        code = GetArchiveItem(archive, i, &item);
        if (code == ARC_OK) code = ExtractArchiveItem(archive, i, item.name);
        if (code != ARC_OK) {
            verdict.problem =
                "item " + std::to_string(i) + " '" + item.name + "': " + DescribeCode(code);
        }
    }
    if (code != ARC_OK && verdict.problem.empty()) verdict.problem = DescribeCode(code);
    CloseArchive(archive);
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
