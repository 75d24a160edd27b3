/* The CRC table in the form the reader's key schedule (crypt.h) takes:
 * z_crc_t in the minizip the build compiles, unsigned long in Debian's
 * libminizip-dev (TALCHECK_MINIZIP_SYSTEM). C only. */
#pragma once

#include <zlib.h>

#ifdef TALCHECK_MINIZIP_SYSTEM
typedef unsigned long CryptCrc;
static const CryptCrc* CryptCrcTable(void) {
    static CryptCrc table[256];
    const z_crc_t* crc = get_crc_table();
    int i;
    for (i = 0; i < 256; ++i) table[i] = crc[i];
    return table;
}
#else
typedef z_crc_t CryptCrc;
static const CryptCrc* CryptCrcTable(void) { return get_crc_table(); }
#endif
