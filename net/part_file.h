// The kept part of a cut package download. Its bytes stay in the package
// file in the working directory; a record beside it, "<package file>.part",
// says what they are: the package's URL (its folder and listed name), the
// validator the server sent for them (a strong ETag, else Last-Modified)
// and the package's whole length. A part is never kept without both.
//
// The record is small text of the program's own:
//   TalCheck part 1
//   url=<URL>
//   validator=<ETag or date, as sent>
//   total=<bytes>
// and is read only as a regular file of at most kMaxPartRecord bytes,
// never through a link and without waiting on a pipe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace net {

constexpr char kPartSuffix[] = ".part";
constexpr std::uint64_t kMaxPartRecord = 4096;

struct PartRecord {
    std::string url;
    std::string validator;
    std::uint64_t total = 0;
};

std::string FormatPartRecord(const PartRecord& record);
// False for anything but a complete record with a validator and a total,
// and for control characters in its values.
bool ParsePartRecord(const std::string& text, PartRecord* record);

// The record of the package file at packagePath: written (replacing one
// there), read, removed.
bool WritePartRecord(const char* packagePath, const PartRecord& record);
bool ReadPartRecord(const char* packagePath, PartRecord* record);
void RemovePartRecord(const char* packagePath);

// A strong ETag, else Last-Modified; empty when the answer has neither (a
// weak ETag "W/..." alone does not count: it cannot be used in If-Range).
std::string ChooseValidator(const char* etag, const char* lastModified);

// "bytes <first>-<last>/<total>": first and total. False for any other form,
// an unknown total ("*") included.
bool ParseContentRange(const char* text, std::uint64_t* first, std::uint64_t* total);

// Whether packagePath holds a kept part of fileUrl.
bool IsKeptPart(const char* fileUrl, const char* packagePath);

// The kept parts found in directory: package name, bytes held, record.
struct KeptPart {
    std::string name;
    std::uint64_t held = 0;
    PartRecord record;
};
std::vector<KeptPart> ListKeptParts(const char* directory);

// Deletes, in directory, every record and its package file whose package
// name is not in keep. Only regular files are deleted.
void RemoveOtherParts(const char* directory, const std::vector<std::string>& keep);

}  // namespace net
