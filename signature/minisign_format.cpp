#include "signature/minisign_format.h"

#include <sodium.h>

#include <cstring>

namespace sig {
namespace {

constexpr char kUntrustedPrefix[] = "untrusted comment: ";
constexpr char kTrustedPrefix[] = "trusted comment: ";
constexpr std::size_t kKeyBlobSize = 2 + kKeyIdSize + kPublicKeySize;
constexpr std::size_t kSignatureBlobSize = 2 + kKeyIdSize + kSignatureSize;

// Decodes base64 (standard alphabet, padding allowed) into exactly size
// bytes; false for any other length or a character outside the alphabet.
bool DecodeExact(const std::string& text, std::uint8_t* out, std::size_t size) {
    std::uint8_t buffer[128];
    if (size > sizeof buffer) return false;
    std::size_t decoded = 0;
    const char* end = nullptr;
    if (sodium_base642bin(buffer, sizeof buffer, text.data(), text.size(), nullptr, &decoded, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0)
        return false;
    if (end != text.data() + text.size() || decoded != size) return false;
    std::memcpy(out, buffer, size);
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits text into lines at "\n", dropping one "\r" before it. A final line
// without "\n" counts; a final "\n" opens no empty line.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

bool ParsePublicKey(const std::string& line, PublicKey* key) {
    std::size_t first = 0;
    std::size_t last = line.size();
    while (first < last && IsBlank(line[first])) ++first;
    while (last > first && IsBlank(line[last - 1])) --last;
    std::uint8_t blob[kKeyBlobSize];
    if (!DecodeExact(line.substr(first, last - first), blob, sizeof blob)) return false;
    if (blob[0] != 'E' || blob[1] != 'd') return false;
    std::memcpy(key->keyId.data(), blob + 2, kKeyIdSize);
    std::memcpy(key->key.data(), blob + 2 + kKeyIdSize, kPublicKeySize);
    return true;
}

bool ParsePublicKeyList(const std::string& text, std::vector<PublicKey>* keys) {
    keys->clear();
    bool allGood = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
        std::size_t end = pos;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        if (end == pos) break;
        PublicKey key;
        if (ParsePublicKey(text.substr(pos, end - pos), &key)) {
            keys->push_back(key);
        } else {
            allGood = false;
        }
        pos = end;
    }
    return allGood;
}

std::string ParseSignatureFile(const std::string& text, Signature* signature) {
    if (text.empty()) return "empty signature";
    if (text.size() > kMaxSignatureFile) return "signature over 4096 bytes";
    if (std::memchr(text.data(), '\0', text.size()) != nullptr) return "malformed signature";
    std::vector<std::string> lines = SplitLines(text);
    if (lines.size() < 4) return "truncated signature";
    if (lines.size() > 4) return "malformed signature";
    if (!StartsWith(lines[0], kUntrustedPrefix)) return "malformed signature";

    std::uint8_t blob[kSignatureBlobSize];
    if (!DecodeExact(lines[1], blob, sizeof blob)) return "malformed signature line";
    if (blob[0] != 'E' || (blob[1] != 'd' && blob[1] != 'D')) return "unknown signature algorithm";
    signature->prehashed = blob[1] == 'D';
    std::memcpy(signature->keyId.data(), blob + 2, kKeyIdSize);
    std::memcpy(signature->signature.data(), blob + 2 + kKeyIdSize, kSignatureSize);

    if (!StartsWith(lines[2], kTrustedPrefix)) return "malformed trusted comment";
    signature->trustedComment = lines[2].substr(std::strlen(kTrustedPrefix));
    if (!DecodeExact(lines[3], signature->globalSignature.data(), kSignatureSize))
        return "malformed global signature";
    return std::string();
}

bool TrustedCommentFile(const std::string& comment, std::string* fileName) {
    std::size_t start = 0;
    while (start <= comment.size()) {
        std::size_t end = comment.find('\t', start);
        if (end == std::string::npos) end = comment.size();
        if (comment.compare(start, 5, "file:") == 0 && end - start >= 5) {
            *fileName = comment.substr(start + 5, end - start - 5);
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace sig
