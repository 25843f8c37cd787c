/*
 * libdes: the block cipher library the card command library calls.
 * Each function works on one 8-byte block; `in` and `out` may be the same.
 *   mode 2  enciphers, mode 3 deciphers.
 * single_DES uses the first 8 bytes of `key`; triple_DES is two-key triple
 * DES with the 16-byte key K1 K2 (encipher = E(K1) D(K2) E(K1)).
 * Parity bits of the key are ignored; weak keys are accepted.
 * Returns 0, or -1 for another mode value (the output is then untouched).
 */
#ifndef CARDCMD_DESCIPHER_H
#define CARDCMD_DESCIPHER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DES_MODE_ENCIPHER 2
#define DES_MODE_DECIPHER 3

int single_DES(int mode, const uint8_t *in, const uint8_t *key, uint8_t *out);
int triple_DES(int mode, const uint8_t *in, const uint8_t *key, uint8_t *out);

#ifdef __cplusplus
}
#endif

#endif
