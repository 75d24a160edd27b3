// Traditional PKWARE encryption for test archives, through the reader's own
// key schedule (crypt.h), so that the tests choose every header byte.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Encrypts bytes[0..size) in place with keys made from password; the caller
// puts the 12 header bytes first.
void EncryptTraditional(const char* password, unsigned char* bytes, size_t size);

#ifdef __cplusplus
}
#endif
