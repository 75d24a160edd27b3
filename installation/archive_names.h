// Item names: what is left of a stored name once everything that could lead
// out of the extraction root is taken away, and the checks on the paths
// composed from it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace installation {

// The name stripping rule. Repeats, taking the first step that applies, until
// none does: skip a drive prefix (any character and ":"); skip a leading "\"
// or "/"; skip everything up to the end of the first "\..\", else "\../",
// else "/../", else "/..\"; skip a leading ".." followed by a separator.
// "E:\app\..\bin\x.dll" gives "bin\x.dll"; "../../x" gives "x". The result
// points into name.
const char* StripItemName(const char* name);

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// First character "\" or "/", or second character ":".
bool IsAbsoluteName(const char* name);

// True when a component of path is a DOS device name: CON, PRN, AUX, NUL,
// COM0-9, LPT0-9 (also with the code page 1252 superscripts 1, 2, 3),
// CONIN$ or CONOUT$, in any case, once a stream part (":..."), an extension
// and trailing blanks and dots are dropped ("nul:.txt", "COM1:", "con .txt").
// Windows would send the data to the device instead of a file.
bool NamesDevice(const char* path);

// Offset just past the last separator of name (0 when there is none).
std::size_t LeafOffset(const char* name);

// The text with its ASCII letters in lower case, for names compared without
// case.
std::string LowerCase(std::string text);

// Calls visit with each component of path between separators, empty ones
// included, until it returns false; then false, else true.
bool ForEachComponent(const std::string& path,
                      const std::function<bool(const std::string& part)>& visit);

}  // namespace installation
