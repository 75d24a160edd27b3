#include "signature/minisign_format.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <sstream>

namespace sig {
namespace {

constexpr char kUntrustedPrefix[] = "untrusted comment: ";
constexpr char kTrustedPrefix[] = "trusted comment: ";
constexpr char kBlanks[] = " \t\r\n";

// A decoded key or signature line: the algorithm's two letters, the key id,
// then the key or the signature. Byte arrays need no padding.
template <typename Payload>
struct Blob {
    char algorithm[2];
    KeyId keyId;
    Payload payload;
};
static_assert(sizeof(Blob<decltype(PublicKey::key)>) == 42, "a key line's 42 bytes");
static_assert(sizeof(Blob<Ed25519Signature>) == 74, "a signature line's 74 bytes");

// Decodes base64 (standard alphabet, padding allowed) into exactly size
// bytes; false for any other length or a character outside the alphabet.
bool DecodeExact(const std::string& text, void* out, std::size_t size) {
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

// One key, without blanks around it.
bool DecodeKey(const std::string& text, PublicKey* key) {
    Blob<decltype(PublicKey::key)> blob;
    if (!DecodeExact(text, &blob, sizeof blob) || std::memcmp(blob.algorithm, "Ed", 2) != 0)
        return false;
    *key = {blob.keyId, blob.payload};
    return true;
}

// Splits text into lines at "\n", dropping one "\r" before it. A final line
// without "\n" counts; a final "\n" opens no empty line.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

bool ParsePublicKey(const std::string& line, PublicKey* key) {
    std::vector<PublicKey> keys;
    if (!ParsePublicKeyList(line, &keys) || keys.size() != 1) return false;
    *key = keys.front();
    return true;
}

bool ParsePublicKeyList(const std::string& text, std::vector<PublicKey>* keys) {
    keys->clear();
    bool allGood = true;
    for (std::size_t pos = text.find_first_not_of(kBlanks); pos != std::string::npos;) {
        const std::size_t end = std::min(text.find_first_of(kBlanks, pos), text.size());
        PublicKey key;
        const bool good = DecodeKey(text.substr(pos, end - pos), &key);
        if (good) keys->push_back(key);
        allGood = allGood && good;
        pos = text.find_first_not_of(kBlanks, end);
    }
    return allGood;
}

std::string ParseSignatureFile(const std::string& text, Signature* signature) {
    if (text.empty()) return "empty signature";
    if (text.size() > kMaxSignatureFile) return "signature over 4096 bytes";
    if (std::memchr(text.data(), '\0', text.size()) != nullptr) return "malformed signature";
    std::vector<std::string> lines = SplitLines(text);
    if (lines.size() < 4) return "truncated signature";
    if (lines.size() > 4 || lines[0].rfind(kUntrustedPrefix, 0) != 0) return "malformed signature";

    Blob<Ed25519Signature> blob;
    if (!DecodeExact(lines[1], &blob, sizeof blob)) return "malformed signature line";
    const char* algorithm = blob.algorithm;
    if (algorithm[0] != 'E' || (algorithm[1] != 'd' && algorithm[1] != 'D'))
        return "unknown signature algorithm";
    signature->prehashed = algorithm[1] == 'D';
    signature->keyId = blob.keyId;
    signature->signature = blob.payload;

    if (lines[2].rfind(kTrustedPrefix, 0) != 0) return "malformed trusted comment";
    signature->trustedComment = lines[2].substr(sizeof kTrustedPrefix - 1);
    if (!DecodeExact(lines[3], signature->globalSignature.data(), sizeof(Ed25519Signature)))
        return "malformed global signature";
    return std::string();
}

bool TrustedCommentFile(const std::string& comment, std::string* fileName) {
    std::istringstream fields(comment);
    for (std::string field; std::getline(fields, field, '\t');) {
        if (field.rfind("file:", 0) == 0) {
            *fileName = field.substr(5);
            return true;
        }
    }
    return false;
}

}  // namespace sig
