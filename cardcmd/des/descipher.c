/* DES and two-key triple DES over GNU Nettle, one block at a time. */
#include "descipher.h"

#include <nettle/des.h>

#define EXPORT __attribute__((visibility("default")))

/* Nettle's des_set_key reports weak keys (such as the card's all-zero
 * default key) by returning 0, but sets the key up all the same, so the
 * return value is of no use here. */
static void setup(struct des_ctx *ctx, const uint8_t *key8)
{
    (void)des_set_key(ctx, key8);
}

EXPORT int single_DES(int mode, const uint8_t *in, const uint8_t *key,
                      uint8_t *out)
{
    struct des_ctx ctx;
    if (mode != DES_MODE_ENCIPHER && mode != DES_MODE_DECIPHER)
        return -1;
    setup(&ctx, key);
    if (mode == DES_MODE_ENCIPHER)
        des_encrypt(&ctx, DES_BLOCK_SIZE, out, in);
    else
        des_decrypt(&ctx, DES_BLOCK_SIZE, out, in);
    return 0;
}

EXPORT int triple_DES(int mode, const uint8_t *in, const uint8_t *key,
                      uint8_t *out)
{
    struct des_ctx k1, k2;
    uint8_t t[DES_BLOCK_SIZE];
    if (mode != DES_MODE_ENCIPHER && mode != DES_MODE_DECIPHER)
        return -1;
    setup(&k1, key);
    setup(&k2, key + 8);
    if (mode == DES_MODE_ENCIPHER) {
        des_encrypt(&k1, DES_BLOCK_SIZE, t, in);
        des_decrypt(&k2, DES_BLOCK_SIZE, t, t);
        des_encrypt(&k1, DES_BLOCK_SIZE, out, t);
    } else {
        des_decrypt(&k1, DES_BLOCK_SIZE, t, in);
        des_encrypt(&k2, DES_BLOCK_SIZE, t, t);
        des_decrypt(&k1, DES_BLOCK_SIZE, out, t);
    }
    return 0;
}
