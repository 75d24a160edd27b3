// The version-information block of an executable (VS_VERSIONINFO) as the
// version resource stores it: a tree of nodes, each with a UTF-16 key, an
// optional value (UTF-16 text or binary) and child nodes, aligned to 4 bytes
// from the start of the block. Shared by both backends.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// A node's value, as far as it lies inside its node and the block.
struct VersionValue {
    const std::uint8_t* data = nullptr;
    std::size_t bytes = 0;
    bool text = false;  // UTF-16 text (node type 1), else binary
};

// Finds the node at path, e.g. "\StringFileInfo\040904e4\FileVersion":
// components separated by '\' (empty ones skipped), each matched against the
// keys of the current node's children in order, without regard to the case
// of ASCII letters; the first match is taken. Never reads outside
// [block, block + size). False when a component is not found.
bool FindVersionValue(const std::uint8_t* block, std::size_t size, const char* path,
                      VersionValue* value);

// Writes value into buffer (size bytes) as the narrow text that
// VerQueryValueA gives for it: text converted unit by unit with
// ToCodePage1252 up to its first NUL unit, binary taken byte by byte up to
// its first zero byte. At most size - 1 characters; the rest of buffer is
// zeroed. Writes nothing when size is 0.
void CopyVersionValue(const VersionValue& value, char* buffer, std::size_t size);

// Copies the narrow text (at most max_length characters, fewer when a NUL
// comes first) into buffer: at most size - 1 characters, the rest of buffer
// zeroed. Writes nothing when size is 0.
void CopyVersionText(char* buffer, std::size_t size, const char* text, std::size_t max_length);

// One UTF-16 unit in Windows code page 1252; '?' when the code page has no
// byte for it (surrogates included). Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D,
// unassigned in the code page, map to and from U+0081... as Windows does.
char ToCodePage1252(std::uint16_t unit);

}  // namespace plat
