/* Runs the reader's own key schedule (crypt.h) over the encryption header,
 * so the check uses exactly the keys the reader decrypts the data with. */
#include "installation/zip_check_byte.h"

#include <zlib.h>

#include <crypt.h>

#include "installation/crypt_table.h"

unsigned char DecryptedCheckByte(const char* password, const unsigned char header[12]) {
    unsigned long keys[3];
    const CryptCrc* table = CryptCrcTable();
    int i;
    int c = 0;
    init_keys(password != NULL ? password : "", keys, table);
    for (i = 0; i < 12; ++i) {
        c = header[i];
        zdecode(keys, table, c);
    }
    return (unsigned char)c;
}
