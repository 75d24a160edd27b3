#include "audit/trial_install.h"

#include <chrono>
#include <filesystem>

#include "installation/archive.h"
#include "installation/install_archive.h"
#include "net/download.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"
#include "signature/signature_check.h"

namespace audit {
namespace {

int CountItems(const std::string& path) {
    installation::ScopedArchive archive(installation::OpenArchive(path.c_str(), nullptr));
    installation::ArchiveItem item{};
    return archive && installation::GetArchiveItem(archive.get(), -1, &item) == installation::ARC_OK
               ? item.index
               : 0;
}

}  // namespace

ArchiveVerdict TestArchive(const std::string& path, const std::string& scratch) {
    ArchiveVerdict verdict;
    verdict.items = CountItems(path);
    vocab::Outcome outcome =
        installation::InstallArchive(path.c_str(), scratch, "", installation::PackageLimits{});
    if (!outcome.ok()) {
        verdict.problem =
            (outcome.kind == vocab::OutcomeKind::kRefused ? "refused: " : "failed: ") +
            outcome.Text();
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
            base / ("talcheck-audit-" + std::to_string(stamp) + "-" + std::to_string(attempt));
        if (std::filesystem::create_directory(candidate, ec)) return candidate.string();
    }
    return "";
}

void RemoveScratchDirectory(const std::string& path) {
    if (!path.empty()) plat::RemoveTree(path.c_str(), nullptr);
}

PackageTest DownloadAndTest(const std::string& folderUrl, const std::string& listedName,
                            const std::string& localName, const char* packageKeys) {
    PackageTest test;
    test.url = folderUrl + listedName;
    test.localName = localName;
    std::string scratch = MakeScratchDirectory();
    char localPath[plat::kPathSize] = {};
    if (scratch.empty() || !plat::CopyBounded(localPath, sizeof localPath, scratch.c_str())) {
        test.problem = "no scratch directory";
        RemoveScratchDirectory(scratch);
        return test;
    }
    sig::PackageKeys keys(packageKeys);
    sig::SignatureCheck signatures(keys);
    net::DownloadResult download =
        net::DownloadPackage(test.url.c_str(), localName.c_str(), localPath, signatures.Observer());
    download.file.Close();  // read by name below, and removed with the scratch folder
    test.downloaded = download.complete;
    test.bytes = download.received;
    if (download.complete && keys.Enabled()) {
        vocab::Outcome checked = signatures.Check(folderUrl.c_str(), listedName.c_str(), localPath);
        test.signature = checked.ok() ? "verified" : checked.reason;
    }
    if (!test.downloaded) {
        test.problem = "download failed: " + net::DownloadOutcome(download).reason;
    } else if (!test.signature.empty() && test.signature != "verified") {
        test.problem = "signature refused: " + test.signature;
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

}  // namespace audit
