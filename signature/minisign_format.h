// The text forms that the minisign tool writes, read into plain records:
//
//   public key: the base64 line of a minisign.pub file, 42 bytes decoded:
//               "Ed", key id (8 bytes), Ed25519 public key (32 bytes);
//   signature:  four lines, "\n" or "\r\n" ended (the last one may lack it):
//                 untrusted comment: <anything>
//                 base64 of 74 bytes: "Ed" (Ed25519 over the file itself)
//                   or "ED" (Ed25519 over its BLAKE2b-512 hash), key id,
//                   Ed25519 signature (64 bytes)
//                 trusted comment: <text>
//                 base64 of the global signature (64 bytes): Ed25519 over
//                   the signature bytes followed by <text>
//
// Parsing checks form only; nothing is verified here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sig {

// Longest signature file accepted, in bytes; minisign's own are about 300.
constexpr std::size_t kMaxSignatureFile = 4096;

using KeyId = std::array<std::uint8_t, 8>;
using Ed25519Signature = std::array<std::uint8_t, 64>;

struct PublicKey {
    KeyId keyId{};
    std::array<std::uint8_t, 32> key{};
};

struct Signature {
    bool prehashed = false;  // "ED": the signature covers the BLAKE2b-512 hash
    KeyId keyId{};
    Ed25519Signature signature{};
    std::string trustedComment;  // after "trusted comment: "
    Ed25519Signature globalSignature{};
};

// One public key line (surrounding blanks ignored). False, *key untouched,
// unless it is exactly one key of the "Ed" algorithm.
bool ParsePublicKey(const std::string& line, PublicKey* key);

// Keys separated by blanks (spaces, tabs, line ends). False when any of them
// is malformed; *keys then holds the well-formed ones only. An empty or
// all-blank text gives no keys and true.
bool ParsePublicKeyList(const std::string& text, std::vector<PublicKey>* keys);

// A whole signature file. Empty on success; otherwise a short reason for the
// run log ("empty signature", "signature over 4096 bytes", "malformed
// signature line", ...), *signature then unspecified.
std::string ParseSignatureFile(const std::string& text, Signature* signature);

// The value of the field "file:" of a trusted comment, whose fields are
// separated by tabs ("timestamp:1700000000\tfile:5.20.0001.zip\thashed").
// False when the comment names no file.
bool TrustedCommentFile(const std::string& comment, std::string* fileName);

}  // namespace sig
