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

}  // namespace

std::string FormatPartRecord(const PartRecord& record) {
    return std::string(kFirstLine) + "\nurl=" + record.url + "\nvalidator=" + record.validator +
           "\ntotal=" + std::to_string(record.total) + "\n";
}

bool ParsePartRecord(const std::string& text, PartRecord* record) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kFirstLine) return false;
    PartRecord parsed;
    bool haveTotal = false;
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
        }
    }
    if (parsed.url.empty() || parsed.validator.empty() || !haveTotal || parsed.total == 0 ||
        !Printable(parsed.url) || !Printable(parsed.validator))
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

bool ReadPartRecord(const char* packagePath, PartRecord* record) {
    plat::File file = plat::File::OpenPackage(RecordPath(packagePath).c_str(), kMaxPartRecord);
    const plat::WholeFile text = plat::ReadWhole(file, kMaxPartRecord);
    return text.ok() && ParsePartRecord(text.bytes, record);
}

bool IsKeptPart(const char* fileUrl, const char* packagePath) {
    PartRecord record;
    return ReadPartRecord(packagePath, &record) && record.url == fileUrl &&
           plat::InspectPath(packagePath) == plat::PathKind::kFile;
}

void RemovePartRecord(const char* packagePath) {
    std::string path = RecordPath(packagePath);
    if (plat::InspectPath(path.c_str()) == plat::PathKind::kFile) plat::RemoveFile(path.c_str());
}

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

// The package names of the records in directory.
std::vector<std::string> RecordedPackages(const char* directory) {
    namespace fs = std::filesystem;
    const std::string suffix = kPartSuffix;
    std::vector<std::string> packages;
    std::error_code ec;
    for (auto it = fs::directory_iterator(directory, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            packages.push_back(name.substr(0, name.size() - suffix.size()));
    }
    return packages;
}

std::vector<KeptPart> ListKeptParts(const char* directory) {
    namespace fs = std::filesystem;
    std::vector<KeptPart> parts;
    for (const std::string& package : RecordedPackages(directory)) {
        KeptPart part;
        part.name = package;
        std::string packagePath = (fs::path(directory) / package).string();
        if (!ReadPartRecord(packagePath.c_str(), &part.record)) continue;
        plat::File file = plat::File::OpenPackage(packagePath.c_str(), part.record.total);
        if (!file.valid() || !file.Size(&part.held)) continue;
        parts.push_back(part);
    }
    return parts;
}

void RemoveOtherParts(const char* directory, const std::vector<std::string>& keep) {
    namespace fs = std::filesystem;
    for (const std::string& package : RecordedPackages(directory)) {
        if (std::find(keep.begin(), keep.end(), package) != keep.end()) continue;
        std::string packagePath = (fs::path(directory) / package).string();
        if (plat::InspectPath(packagePath.c_str()) == plat::PathKind::kFile)
            plat::RemoveFile(packagePath.c_str());
        RemovePartRecord(packagePath.c_str());
    }
}

}  // namespace net
