#include "audit/tree_check.h"

#include <algorithm>
#include <filesystem>

#include "audit/trial_install.h"
#include "audit/tree_signatures.h"
#include "signature/signature_check.h"
#include "update/installer_url.h"
#include "update/package_choice.h"

namespace fs = std::filesystem;

namespace audit {
namespace {

std::vector<fs::directory_entry> SortedEntries(const fs::path& dir) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

void CheckPackageName(const std::string& name, TreeLine& line, std::vector<Warning>& problems) {
    const std::string where = line.folder + "/" + name;
    vocab::VersionTriple v;
    const update::PackageName kind = update::JudgePackageName(name.c_str(), v);
    if (kind == update::PackageName::kNotZip) return;  // stations pass over other files
    if (kind == update::PackageName::kNotVersioned) {
        problems.push_back(
            {"name_unparsable", where + ": not three version fields; stations never choose it"});
        return;
    }
    if (v.major != line.major || v.minor != line.minor) {
        problems.push_back({"wrong_line", where + ": a package of line " + std::to_string(v.major) +
                                              "." + std::to_string(v.minor) + " in this folder"});
    }
    line.packages.push_back(name);
}

void CheckSignature(const sig::PackageKeys& keys, const fs::path& folder, PackageTest& test,
                    TreeReport& report) {
    if (!keys.Enabled()) return;
    std::string refused =
        CheckTreeSignature(keys, folder.string(), fs::path(test.url).filename().string());
    test.signature = refused.empty() ? "verified" : refused;
    if (refused.empty()) return;
    test.passed = false;
    if (test.problem.empty()) test.problem = "signature: " + refused;
    report.problems.push_back(
        {refused == "no signature" ? "signature_missing" : "signature_refused",
         test.localName + ": " + refused});
}

void CheckLine(const fs::path& folder, TreeLine& line, const sig::PackageKeys& keys,
               TreeReport& report) {
    for (const fs::directory_entry& entry : SortedEntries(folder)) {
        std::string name = entry.path().filename().string();
        std::error_code ec;
        if (entry.is_directory(ec) && name == sig::kSignatureFolder) continue;
        if (entry.is_directory(ec)) {
            report.problems.push_back(
                {"stray_folder", line.folder + "/" + name + ": a folder inside a line folder"});
            continue;
        }
        CheckPackageName(name, line, report.problems);
        if (line.packages.empty() || line.packages.back() != name) continue;
        std::string scratch = MakeScratchDirectory();
        ArchiveVerdict verdict = TestArchive(entry.path().string(), scratch);
        RemoveScratchDirectory(scratch);
        PackageTest test;
        test.localName = line.folder + "/" + name;
        test.url = entry.path().string();
        test.downloaded = true;
        test.bytes = entry.file_size(ec);
        test.items = verdict.items;
        test.passed = verdict.passed;
        test.problem = verdict.problem;
        if (!test.passed) {
            report.problems.push_back({"package_broken", test.localName + ": " + test.problem});
        }
        CheckSignature(keys, folder, test, report);
        report.packages.push_back(test);
    }
    if (line.packages.empty()) {
        report.problems.push_back(
            {"empty_line", line.folder + ": no package; stations on earlier lines get none here"});
    }
}

// Probing goes line by line and stops at the first folder without names:
// a missing line hides every line after it.
void CheckGaps(TreeReport& report) {
    std::sort(report.lines.begin(), report.lines.end(), [](const TreeLine& x, const TreeLine& y) {
        return x.major != y.major ? x.major < y.major : x.minor < y.minor;
    });
    for (std::size_t i = 1; i < report.lines.size(); ++i) {
        int32_t major = report.lines[i - 1].major, minor = report.lines[i - 1].minor;
        update::NextVersionLine(major, minor);
        if (major == report.lines[i].major && minor == report.lines[i].minor) continue;
        report.problems.push_back(
            {"gap", "no folder " + update::LineFolderName(major, minor) + " between " +
                        report.lines[i - 1].folder + " and " + report.lines[i].folder +
                        ": stations before it never reach " + report.lines[i].folder});
    }
}

}  // namespace

TreeReport CheckTree(const std::string& dir, const char* packageKeys) {
    TreeReport report;
    const sig::PackageKeys keys(packageKeys);
    fs::path root = dir;
    for (const char* folder : update::kInstallerTree) root /= folder;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) root = dir;
    report.root = root.string();
    if (!fs::is_directory(root, ec)) {
        report.problems.push_back({"no_tree", report.root + ": no such folder"});
        return report;
    }
    for (const fs::directory_entry& entry : SortedEntries(root)) {
        std::string name = entry.path().filename().string();
        TreeLine line;
        if (!entry.is_directory(ec) ||
            !update::ParseLineFolderName(name, &line.major, &line.minor)) {
            report.problems.push_back(
                {"not_a_line_folder", name + ": not a version-line folder (\"<major>_<minor> "
                                             "Installers\"); stations never ask for it"});
            continue;
        }
        line.folder = name;
        CheckLine(entry.path(), line, keys, report);
        report.lines.push_back(line);
    }
    if (report.lines.empty()) {
        report.problems.push_back({"no_lines", report.root + ": no version-line folder"});
    }
    CheckGaps(report);
    return report;
}

}  // namespace audit
