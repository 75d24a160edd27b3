// The check of traditional PKWARE encryption, which the reader skips: the
// last of the 12 decrypted header bytes must equal the item's check value.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// header: the item's 12 encryption header bytes as stored. Returns the last
// header byte decrypted with keys made from password ("" when there is none).
unsigned char DecryptedCheckByte(const char* password, const unsigned char header[12]);

#ifdef __cplusplus
}
#endif
