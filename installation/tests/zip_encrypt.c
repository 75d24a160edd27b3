#include "installation/tests/zip_encrypt.h"

#include <zlib.h>

#include <crypt.h>

#include "installation/crypt_table.h"

void EncryptTraditional(const char* password, unsigned char* bytes, size_t size) {
    unsigned long keys[3];
    const CryptCrc* table = CryptCrcTable();
    size_t i;
    int t;
    init_keys(password, keys, table);
    for (i = 0; i < size; ++i) bytes[i] = (unsigned char)zencode(keys, table, bytes[i], t);
}
