// The kept part of a cut package download. Its bytes stay in the package
// file in the working directory; a record beside it, "<package file>.part",
// says what they are: the package's URL (its folder and listed name), the
// validator the server sent for them (a strong ETag, else Last-Modified),
// the package's whole length, and how many of its bytes were flushed to
// disk before the record was written. A part is never kept without both.
//
// The record is small text of the program's own:
//   TalCheck part 1
//   url=<URL>
//   validator=<ETag or date, as sent>
//   total=<bytes>
//   held=<bytes>
// (a record without held holds nothing). The package file and the record
// are read only when plat::File::OpenPackage trusts them (the program's
// own: platform/file_trust.h), the record as at most kMaxPartRecord bytes,
// never through a link and without waiting on a pipe.
//
// Only names the program itself makes are records: a local package name
// followed by ".part", without a separator of either kind and without
// "..". Which names are package names the caller says (isPackageName);
// every other name in the folder is left alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_trust.h"

namespace net {

constexpr char kPartSuffix[] = ".part";
constexpr std::uint64_t kMaxPartRecord = 4096;

struct PartRecord {
    std::string url;
    std::string validator;
    std::uint64_t total = 0;
    std::uint64_t held = 0;  // bytes flushed before the record was written; at most total
};

std::string FormatPartRecord(const PartRecord& record);
// False for anything but a complete record with a validator and a total,
// and for control characters in its values.
bool ParsePartRecord(const std::string& text, PartRecord* record);

// The record of the package file at packagePath: written (made new in
// place of whatever has the name), read (trust, optional, receives
// OpenPackage's judgement of the record), removed as itself (a file or a
// link, never what it leads to).
bool WritePartRecord(const char* packagePath, const PartRecord& record);
bool ReadPartRecord(const char* packagePath, PartRecord* record, plat::FileTrust* trust = nullptr);
void RemovePartRecord(const char* packagePath);

// A strong ETag, else Last-Modified; empty when the answer has neither (a
// weak ETag "W/..." alone does not count: it cannot be used in If-Range).
std::string ChooseValidator(const char* etag, const char* lastModified);

// "bytes <first>-<last>/<total>": first and total. False for any other form,
// an unknown total ("*") included.
bool ParseContentRange(const char* text, std::uint64_t* first, std::uint64_t* total);

// What packagePath and its record hold for fileUrl: its kept part (both
// files the program's own, the record of fileUrl); a refusal when either
// is there but not the program's own, with the file's name and why
// ("5.10.0023.zip.part", "owned by another account"); else nothing.
struct PartFinding {
    bool kept = false;
    std::string refusedFile;  // empty when nothing was refused
    std::string reason;
};
PartFinding FindKeptPart(const char* fileUrl, const char* packagePath);

// Whether name is a package name the program makes.
using PackageNameTest = bool (*)(const std::string& name);

// The kept parts found in directory: package name, bytes a resumed
// download goes on from, record. Only trusted parts with a package name.
struct KeptPart {
    std::string name;
    std::uint64_t held = 0;
    PartRecord record;
};
std::vector<KeptPart> ListKeptParts(const char* directory, PackageNameTest isPackageName);

// Deletes, in directory, every record with a package name not in keep, and
// its package file: each a file or link removed as itself, never a
// directory, never what a link leads to.
void RemoveOtherParts(const char* directory, const std::vector<std::string>& keep,
                      PackageNameTest isPackageName);

}  // namespace net
