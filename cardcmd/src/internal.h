/* Shared pieces of the card command library: the reader exchange, frame
 * chaining, CRC_A, the ciphers and the data MAC. Nothing here is exported. */
#ifndef CARDCMD_INTERNAL_H
#define CARDCMD_INTERNAL_H

#include <stddef.h>
#include <stdint.h>

#include "cardcmd.h"

#define ST_OK       0x00u
#define ST_MORE     0xAFu
/* No frame sent to the card is longer than this. */
#define FRAME_MAX   60u

/* One answer frame, status byte first. The reader writes at most 255 bytes
 * (its length is one byte), so this buffer always holds what it writes. */
typedef struct {
    uint8_t b[256];
    uint8_t len;
} answer_t;

/* The one place where frames go to the reader. Returns MF3_OK with the
 * answer in *ans (at least the status byte), the reader-failure result, or
 * MF3_INTEGRITY_ERROR for an empty answer. */
uint8_t cc_exchange(const uint8_t *frame, size_t len, answer_t *ans);

/* A command whose answer on success is the status byte followed by exactly
 * out_len data bytes, copied to out (which may be NULL when out_len is 0).
 * Any card status other than 0x00 is returned as is. */
uint8_t cc_command(const uint8_t *frame, size_t len, uint8_t *out,
                   size_t out_len);

/* Chained receive: sends `frame`, then 0xAF while the card answers 0xAF, and
 * joins the data of all answers in buf. cap is the most data the caller's
 * buffer takes (it has one byte more, where the status of a failing frame is
 * left). *total gets the data collected so far. When count is not NULL it is
 * set to 0 first and grows by (frame data length / unit) after each frame. */
uint8_t cc_receive_chain(const uint8_t *frame, size_t len, uint8_t *buf,
                         size_t cap, size_t *total, uint8_t *count,
                         unsigned unit);

/* Chained send of an 8-byte header followed by n data bytes, in frames of
 * at most FRAME_MAX bytes. */
uint8_t cc_send_chain(const uint8_t header[8], const uint8_t *data, size_t n);

/* CRC_A (ISO/IEC 14443-3 type A), stored low byte first by the callers. */
uint16_t cc_crc_a(const uint8_t *p, size_t n);
void cc_put_crc(uint8_t *dst, const uint8_t *p, size_t n);

/* One block with the key: single DES when the key's halves are equal,
 * two-key triple DES otherwise. mode 2 enciphers, 3 deciphers. */
void cc_block(const uint8_t key[16], int mode, const uint8_t in[8],
              uint8_t out[8]);
/* Cipher of data going to the card, in place, over nblocks (<= 255). */
void cc_send_cipher(const uint8_t key[16], uint8_t *buf, size_t nblocks);
/* Cipher of data coming from the card, in place, over nblocks (<= 255). */
void cc_receive_cipher(const uint8_t key[16], uint8_t *buf, size_t nblocks);
/* Data MAC over n bytes, zero-padded to whole blocks in a local block so
 * that nothing past data[n - 1] is touched. */
void cc_mac(const uint8_t key[16], const uint8_t *data, size_t n,
            uint8_t mac[4]);

static inline size_t cc_pad8(size_t n) { return (n + 7u) & ~(size_t)7u; }

static inline void cc_put16(uint8_t *p, uint16_t v)
{
    p[0] = (uint8_t)(v & 0xFFu);
    p[1] = (uint8_t)(v >> 8);
}
/* 16-bit word sent as three bytes: low, high, 0x00. */
static inline void cc_put24(uint8_t *p, uint16_t v)
{
    cc_put16(p, v);
    p[2] = 0x00;
}
static inline void cc_put32(uint8_t *p, int32_t v)
{
    uint32_t u = (uint32_t)v;
    p[0] = (uint8_t)u;
    p[1] = (uint8_t)(u >> 8);
    p[2] = (uint8_t)(u >> 16);
    p[3] = (uint8_t)(u >> 24);
}
static inline int32_t cc_get32(const uint8_t *p)
{
    uint32_t u = (uint32_t)p[0] | ((uint32_t)p[1] << 8) |
                 ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
    return (int32_t)u; /* two's complement, as every supported compiler does */
}

#endif
