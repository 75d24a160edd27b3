// Version numbers of the client program: texts such as "5.10.0023" and
// package names such as "5.10.0023.zip", read as (major, minor, build).
// The second field is written as the minor digit followed by a zero, so
// "5.10" is major 5, minor 1.
#pragma once

#include <cstdint>
#include <string>

namespace update {

// Parses text into the caller's triple, field by field. Fields are separated
// by runs of '.', leading and trailing points are ignored. major = value of
// field 1, minor = value of the first character of field 2 alone, build =
// value of field 3; values are read as atoi does (sign, leading digits,
// 0 without digits; saturated at the int32 range). Fields the text does not
// reach are left as they were. True when the text has at least three fields.
bool ParseVersion(const char* text, int32_t& major, int32_t& minor, int32_t& build);

// Writes "%1d.%1d0.%04d.%s" into buffer (a 260-byte path buffer) and returns
// buffer: 5, 1, 23, "zip" -> "5.10.0023.zip". Cut to 259 characters.
char* FormatPackageName(char* buffer, int32_t major, int32_t minor, int32_t build,
                        const char* extension);

// The name a listed package gets in the working directory: its version
// written out as FormatPackageName does with "zip" ("5.10.23.ZIP" ->
// "5.10.0023.zip"), or the listed name itself when it has no three fields.
std::string LocalPackageName(const char* listedName);

// Whether name is exactly what FormatPackageName writes with "zip" for
// some version: the only package names the program makes.
bool IsLocalPackageName(const std::string& name);

}  // namespace update
