#include "platform/version_block.h"

#include <algorithm>
#include <cstring>

namespace plat {
namespace {

constexpr std::size_t kHeaderBytes = 6;  // wLength, wValueLength, wType

std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::size_t AlignUp4(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

// One node, with every offset relative to the block and clamped to the
// node's extent [start, end).
struct Node {
    std::size_t start = 0;
    std::size_t end = 0;
    std::uint16_t declared_length = 0;
    std::size_t key = 0;  // first unit of the key
    std::size_t key_units = 0;
    VersionValue value;
    std::size_t children = 0;  // may be >= end: no children
};

// Reads the node at start, which must lie inside [start, limit). False when
// its header or its key's terminator does not fit.
bool ReadNode(const std::uint8_t* block, std::size_t limit, std::size_t start, Node* node) {
    if (start >= limit || limit - start < kHeaderBytes) return false;
    const std::uint8_t* p = block + start;
    node->start = start;
    node->declared_length = ReadU16(p);
    node->end = std::min(limit, start + node->declared_length);
    if (node->end - start < kHeaderBytes) node->end = start + kHeaderBytes;
    const std::uint16_t value_length = ReadU16(p + 2);
    node->value.text = ReadU16(p + 4) != 0;

    node->key = start + kHeaderBytes;
    std::size_t pos = node->key;
    while (pos + 2 <= node->end && ReadU16(block + pos) != 0) pos += 2;
    if (pos + 2 > node->end) return false;
    node->key_units = (pos - node->key) / 2;

    // Text values count UTF-16 units, binary values bytes.
    const std::size_t value_start = AlignUp4(pos + 2);
    const std::size_t value_bytes = std::size_t{value_length} * (node->value.text ? 2 : 1);
    node->value.data = block + std::min(value_start, node->end);
    node->value.bytes =
        value_start < node->end ? std::min(value_bytes, node->end - value_start) : 0;
    node->children = AlignUp4(value_start + value_bytes);
    return true;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool KeyEquals(const std::uint8_t* block, const Node& node, const char* name, std::size_t length) {
    if (node.key_units != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint16_t unit = ReadU16(block + node.key + 2 * i);
        if (unit > 0x7F || LowerAscii(static_cast<char>(unit)) != LowerAscii(name[i])) return false;
    }
    return true;
}

// The first child of parent whose key is name. Stops at a child of length 0,
// which would otherwise be met again and again.
bool FindChild(const std::uint8_t* block, const Node& parent, const char* name, std::size_t length,
               Node* child) {
    std::size_t pos = parent.children;
    while (pos < parent.end) {
        if (!ReadNode(block, parent.end, pos, child)) return false;
        if (KeyEquals(block, *child, name, length)) return true;
        if (child->declared_length == 0) return false;
        pos += AlignUp4(child->declared_length);
    }
    return false;
}

}  // namespace

bool FindVersionValue(const std::uint8_t* block, std::size_t size, const char* path,
                      VersionValue* value) {
    Node node;
    if (block == nullptr || !ReadNode(block, size, 0, &node)) return false;
    const char* component = path;
    while (*component != '\0') {
        if (*component == '\\') {
            ++component;
            continue;
        }
        const char* next = component;
        while (*next != '\0' && *next != '\\') ++next;
        Node child;
        if (!FindChild(block, node, component, static_cast<std::size_t>(next - component), &child))
            return false;
        node = child;
        component = next;
    }
    *value = node.value;
    return true;
}

void CopyVersionValue(const VersionValue& value, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return;
    std::size_t n = 0;
    if (value.text) {
        for (; n + 1 < size && 2 * n + 2 <= value.bytes; ++n) {
            const std::uint16_t unit = ReadU16(value.data + 2 * n);
            if (unit == 0) break;
            buffer[n] = ToCodePage1252(unit);
        }
    } else {
        for (; n + 1 < size && n < value.bytes && value.data[n] != 0; ++n)
            buffer[n] = static_cast<char>(value.data[n]);
    }
    std::memset(buffer + n, 0, size - n);
}

void CopyVersionText(char* buffer, std::size_t size, const char* text, std::size_t max_length) {
    if (buffer == nullptr || size == 0) return;
    std::size_t n = 0;
    const std::size_t limit = std::min(size - 1, max_length);
    while (n < limit && text[n] != '\0') ++n;
    std::memcpy(buffer, text, n);
    std::memset(buffer + n, 0, size - n);
}

char ToCodePage1252(std::uint16_t unit) {
    // Code points of the bytes 0x80..0x9F; 0 where Windows has none.
    static constexpr std::uint16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (std::size_t i = 0; i < 32; ++i)
        if (kHigh[i] == unit) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace plat
