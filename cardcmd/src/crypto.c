/* CRC_A, the send and receive ciphers and the data MAC, over the outside
 * cipher library. */
#include <string.h>

#include "descipher.h"
#include "internal.h"

uint16_t cc_crc_a(const uint8_t *p, size_t n)
{
    uint16_t crc = 0x6363;

    for (size_t i = 0; i < n; i++) {
        crc ^= p[i];
        for (int b = 0; b < 8; b++)
            crc = (crc & 1u) ? (uint16_t)((crc >> 1) ^ 0x8408u)
                             : (uint16_t)(crc >> 1);
    }
    return crc;
}

void cc_put_crc(uint8_t *dst, const uint8_t *p, size_t n)
{
    cc_put16(dst, cc_crc_a(p, n));
}

void cc_block(const uint8_t key[16], int mode, const uint8_t in[8],
              uint8_t out[8])
{
    /* The cipher library only fails for a mode value other than 2 and 3,
     * and only those two constants are passed. */
    if (memcmp(key, key + 8, 8) == 0)
        (void)single_DES(mode, in, key, out);
    else
        (void)triple_DES(mode, in, key, out);
}

void cc_send_cipher(const uint8_t key[16], uint8_t *buf, size_t nblocks)
{
    uint8_t chain[8] = {0};

    for (size_t i = 0; i < nblocks; i++) {
        uint8_t *blk = buf + 8 * i;
        for (int j = 0; j < 8; j++)
            chain[j] ^= blk[j];
        cc_block(key, DES_MODE_DECIPHER, chain, chain);
        memcpy(blk, chain, 8);
    }
}

void cc_receive_cipher(const uint8_t key[16], uint8_t *buf, size_t nblocks)
{
    /* Last block first, so each block can still be XORed with the
     * enciphered block before it. */
    for (size_t i = nblocks; i-- > 0;) {
        uint8_t *blk = buf + 8 * i;
        uint8_t t[8];
        cc_block(key, DES_MODE_DECIPHER, blk, t);
        if (i > 0)
            for (int j = 0; j < 8; j++)
                t[j] ^= buf[8 * (i - 1) + (size_t)j];
        memcpy(blk, t, 8);
    }
}

void cc_mac(const uint8_t key[16], const uint8_t *data, size_t n,
            uint8_t mac[4])
{
    uint8_t chain[8] = {0};

    for (size_t off = 0; off < n; off += 8) {
        size_t part = n - off < 8 ? n - off : 8;
        for (size_t j = 0; j < part; j++)
            chain[j] ^= data[off + j];
        cc_block(key, DES_MODE_ENCIPHER, chain, chain);
    }
    memcpy(mac, chain, 4);
}
