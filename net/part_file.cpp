#include "net/part_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "platform/file_handle.h"
#include "platform/file_system.h"
#include "platform/path_buffer.h"
#include "platform/whole_file.h"

namespace net {
namespace {

constexpr char kFirstLine[] = "TalCheck part 1";

std::string RecordPath(const char* packagePath) { return std::string(packagePath) + kPartSuffix; }

// Decimal digits only, at most 19 of them.
bool ParseCount(const std::string& text, std::uint64_t* value) {
    if (text.empty() || text.size() > 19 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    *value = std::stoull(text);
    return true;
}

bool Printable(const std::string& text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 32; });
}

// A file that is there but is not one the program made.
bool Refused(plat::FileTrust trust) {
    return trust != plat::FileTrust::kTrusted && trust != plat::FileTrust::kMissing;
}

PartFinding Refusal(const std::string& path, plat::FileTrust trust) {
    PartFinding finding;
    finding.refusedFile = path.substr(path.find_last_of("/\\") + 1);
    finding.reason = plat::DescribeTrust(trust);
    return finding;
}

// A file or a link goes as itself (unlink and DeleteFile never follow the
// name); a directory stays.
void RemoveEntry(const char* path) {
    plat::PathKind kind = plat::InspectPath(path);
    if (kind == plat::PathKind::kFile || kind == plat::PathKind::kLink) plat::RemoveFile(path);
}

// The package of a record name that the program makes, or "".
std::string PackageOfRecord(const std::string& name, PackageNameTest isPackageName) {
    const std::string suffix = kPartSuffix;
    if (name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0 ||
        name.find_first_of("/\\") != std::string::npos || name.find("..") != std::string::npos)
        return "";
    std::string package = name.substr(0, name.size() - suffix.size());
    return isPackageName(package) ? package : "";
}

// The packages of the records in directory. Names are looked at in the
// file system's own form: only printable ASCII can be the program's, and
// no other is converted (on Windows that could fail and throw).
std::vector<std::string> RecordedPackages(const char* directory, PackageNameTest isPackageName) {
    namespace fs = std::filesystem;
    std::vector<std::string> packages;
    std::error_code ec;
    for (auto it = fs::directory_iterator(directory, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const auto native = it->path().filename().native();
        if (std::any_of(native.begin(), native.end(), [](auto c) { return c < 32 || c > 126; }))
            continue;
        std::string package =
            PackageOfRecord(std::string(native.begin(), native.end()), isPackageName);
        if (!package.empty()) packages.push_back(package);
    }
    return packages;
}

}  // namespace

std::string FormatPartRecord(const PartRecord& record) {
    return std::string(kFirstLine) + "\nurl=" + record.url + "\nvalidator=" + record.validator +
           "\ntotal=" + std::to_string(record.total) + "\nheld=" + std::to_string(record.held) +
           "\n";
}

bool ParsePartRecord(const std::string& text, PartRecord* record) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kFirstLine) return false;
    PartRecord parsed;
    bool haveTotal = false, heldRead = true;
    while (std::getline(lines, line)) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) return false;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "url") {
            parsed.url = value;
        } else if (key == "validator") {
            parsed.validator = value;
        } else if (key == "total") {
            haveTotal = ParseCount(value, &parsed.total);
        } else if (key == "held") {
            heldRead = ParseCount(value, &parsed.held);
        }
    }
    if (parsed.url.empty() || parsed.validator.empty() || !haveTotal || parsed.total == 0 ||
        !heldRead || parsed.held > parsed.total || !Printable(parsed.url) ||
        !Printable(parsed.validator))
        return false;
    *record = parsed;
    return true;
}

bool WritePartRecord(const char* packagePath, const PartRecord& record) {
    if (!Printable(record.url) || !Printable(record.validator)) return false;
    std::string text = FormatPartRecord(record);
    if (text.size() > kMaxPartRecord) return false;
    plat::File file = plat::File::CreatePackage(RecordPath(packagePath).c_str());
    return file.valid() && file.Write(text.data(), text.size());
}

bool ReadPartRecord(const char* packagePath, PartRecord* record, plat::FileTrust* trust) {
    plat::File file =
        plat::File::OpenPackage(RecordPath(packagePath).c_str(), kMaxPartRecord, trust);
    const plat::WholeFile text = plat::ReadWhole(file, kMaxPartRecord);
    return text.ok() && ParsePartRecord(text.bytes, record);
}

PartFinding FindKeptPart(const char* fileUrl, const char* packagePath) {
    PartFinding finding;
    PartRecord record;
    plat::FileTrust trust = plat::FileTrust::kMissing;
    std::string refused = RecordPath(packagePath);
    bool read = ReadPartRecord(packagePath, &record, &trust);
    if (Refused(trust)) return Refusal(refused, trust);
    if (!read || record.url != fileUrl) return finding;
    plat::File package = plat::File::OpenPackage(packagePath, record.total, &trust);
    if (Refused(trust)) return Refusal(packagePath, trust);
    finding.kept = package.valid();
    return finding;
}

void RemovePartRecord(const char* packagePath) { RemoveEntry(RecordPath(packagePath).c_str()); }

std::string ChooseValidator(const char* etag, const char* lastModified) {
    if (etag && etag[0] == '"' && std::strlen(etag) >= 2) return etag;
    return lastModified ? lastModified : "";
}

bool ParseContentRange(const char* text, std::uint64_t* first, std::uint64_t* total) {
    std::string value = text ? text : "";
    const std::string prefix = "bytes ";
    std::size_t dash = value.find('-'), slash = value.find('/');
    if (value.compare(0, prefix.size(), prefix) != 0 || dash == std::string::npos ||
        slash == std::string::npos || dash > slash)
        return false;
    std::uint64_t last = 0;
    return ParseCount(value.substr(prefix.size(), dash - prefix.size()), first) &&
           ParseCount(value.substr(dash + 1, slash - dash - 1), &last) &&
           ParseCount(value.substr(slash + 1), total) && *first <= last && last < *total;
}

std::vector<KeptPart> ListKeptParts(const char* directory, PackageNameTest isPackageName) {
    namespace fs = std::filesystem;
    std::vector<KeptPart> parts;
    for (const std::string& package : RecordedPackages(directory, isPackageName)) {
        KeptPart part;
        part.name = package;
        std::string packagePath = (fs::path(directory) / package).string();
        std::uint64_t size = 0;
        if (!ReadPartRecord(packagePath.c_str(), &part.record)) continue;
        plat::File file = plat::File::OpenPackage(packagePath.c_str(), part.record.total);
        if (!file.valid() || !file.Size(&size)) continue;
        // A file shorter than its record lost bytes: it is started over.
        part.held = size >= part.record.held ? part.record.held : 0;
        parts.push_back(part);
    }
    return parts;
}

void RemoveOtherParts(const char* directory, const std::vector<std::string>& keep,
                      PackageNameTest isPackageName) {
    namespace fs = std::filesystem;
    for (const std::string& package : RecordedPackages(directory, isPackageName)) {
        if (std::find(keep.begin(), keep.end(), package) != keep.end()) continue;
        std::string packagePath = (fs::path(directory) / package).string();
        RemoveEntry(packagePath.c_str());
        RemovePartRecord(packagePath.c_str());
    }
}

}  // namespace net
