/* Data, value and record files: reads and writes in plain, MACed and
 * enciphered modes, value changes and transactions. */
#include <string.h>

#include "internal.h"

#define EXPORT __attribute__((visibility("default")))

enum { MODE_MAC = 1, MODE_ENC = 3 };

/* Checks a MACed answer of `total` bytes: data followed by 4 MAC bytes. */
static uint8_t check_mac(const uint8_t *buf, size_t total, const uint8_t *key)
{
    uint8_t mac[4];
    size_t n;

    if (total < 4)
        return MF3_INTEGRITY_ERROR;
    n = total - 4;
    if (n > MF3_SECURED_MAX)
        return MF3_INTEGRITY_ERROR;
    cc_mac(key, buf, n, mac);
    return memcmp(mac, buf + n, 4) == 0 ? MF3_OK : MF3_INTEGRITY_ERROR;
}

/* Deciphers an enciphered answer of `total` bytes in place and checks its
 * CRC and padding. want is the expected data length; whole means the whole
 * file was asked for, so the padding starts with 0x80 and gives the length. */
static uint8_t check_enciphered(uint8_t *buf, size_t total, size_t want,
                                int whole, const uint8_t *key)
{
    size_t n;

    if (total == 0 || total % 8 != 0 || total > MF3_SECURED_MAX)
        return MF3_INTEGRITY_ERROR;
    cc_receive_cipher(key, buf, total / 8);
    if (whole) {
        size_t looked = 0;
        for (size_t k = 1; k <= 8; k++) {
            uint8_t b = buf[total - k];
            if (b == 0x00)
                continue;
            if (b != 0x80)
                return MF3_INTEGRITY_ERROR;
            looked = k;
            break;
        }
        if (looked == 0 || looked + 2 > total)
            return MF3_INTEGRITY_ERROR;
        n = total - looked - 2;
    } else {
        if (total < 2 || want > total - 2)
            return MF3_INTEGRITY_ERROR;
        n = want;
        for (size_t i = n + 2; i < total; i++)
            if (buf[i] != 0x00)
                return MF3_INTEGRITY_ERROR;
    }
    if (cc_crc_a(buf, n) != (uint16_t)(buf[n] | (buf[n + 1] << 8)))
        return MF3_INTEGRITY_ERROR;
    return MF3_OK;
}

/* The read shared by data and record files. The answer may not exceed what
 * the arguments make room for; secured reads beyond the ciphers' reach are
 * refused before anything is sent. */
static uint8_t read_file(uint8_t mode, const uint8_t frame[8], size_t want,
                         int whole, uint8_t *data, const uint8_t *key)
{
    size_t cap, total;
    uint8_t r;

    if (whole) {
        cap = MF3_READ_ALL_MAX;
    } else if (mode == MODE_MAC) {
        if (want > MF3_SECURED_MAX)
            return MF3_INTEGRITY_ERROR;
        cap = want + 4;
    } else if (mode == MODE_ENC) {
        if (cc_pad8(want + 2) > MF3_SECURED_MAX)
            return MF3_INTEGRITY_ERROR;
        cap = cc_pad8(want + 2);
    } else {
        cap = want;
    }
    r = cc_receive_chain(frame, 8, data, cap, &total, NULL, 1);
    if (r != MF3_OK)
        return r;
    if (mode == MODE_MAC)
        return check_mac(data, total, key);
    if (mode == MODE_ENC)
        return check_enciphered(data, total, want, whole, key);
    return MF3_OK;
}

/* The write shared by data and record files: MAC or CRC and padding go
 * behind the data in the caller's buffer (length + 9 bytes), then the
 * header (always with the plain length) and the bytes go out chained. */
static uint8_t write_file(uint8_t cmd, uint8_t mode, uint8_t fileNo,
                          uint16_t offset, uint16_t length, uint8_t *data,
                          const uint8_t *key)
{
    uint8_t header[8];
    size_t n = length, out = n;

    if (mode == MODE_MAC) {
        if (n > MF3_SECURED_MAX)
            return MF3_INTEGRITY_ERROR;
        cc_mac(key, data, n, data + n);
        out = n + 4;
    } else if (mode == MODE_ENC) {
        out = cc_pad8(n + 2);
        if (out > MF3_SECURED_MAX)
            return MF3_INTEGRITY_ERROR;
        cc_put_crc(data + n, data, n);
        memset(data + n + 2, 0, out - n - 2);
        cc_send_cipher(key, data, out / 8);
    }
    header[0] = cmd;
    header[1] = fileNo;
    cc_put24(header + 2, offset);
    cc_put24(header + 5, length);
    return cc_send_chain(header, data, out);
}

EXPORT uint8_t MF3_ReadData(uint8_t mode, uint8_t fileNo, uint16_t offset,
                            uint16_t length, uint8_t *data,
                            const uint8_t *sessionKey)
{
    uint8_t frame[8];

    frame[0] = 0xBD;
    frame[1] = fileNo;
    cc_put24(frame + 2, offset);
    cc_put24(frame + 5, length);
    return read_file(mode, frame, length, length == 0, data, sessionKey);
}

EXPORT uint8_t MF3_WriteData(uint8_t mode, uint8_t fileNo, uint16_t offset,
                             uint16_t length, uint8_t *data,
                             const uint8_t *sessionKey)
{
    return write_file(0x3D, mode, fileNo, offset, length, data, sessionKey);
}

EXPORT uint8_t MF3_ReadRecord(uint8_t mode, uint8_t fileNo, uint16_t offset,
                              uint16_t count, uint16_t recordSize,
                              uint8_t *data, const uint8_t *sessionKey)
{
    uint8_t frame[8];

    frame[0] = 0xBB;
    frame[1] = fileNo;
    cc_put24(frame + 2, offset);
    cc_put24(frame + 5, count);
    return read_file(mode, frame, (size_t)count * recordSize, count == 0,
                     data, sessionKey);
}

EXPORT uint8_t MF3_WriteRecord(uint8_t mode, uint8_t fileNo, uint16_t offset,
                               uint16_t length, uint8_t *data,
                               const uint8_t *sessionKey)
{
    return write_file(0x3B, mode, fileNo, offset, length, data, sessionKey);
}

EXPORT uint8_t MF3_GetValue(uint8_t mode, uint8_t fileNo, int32_t *value,
                            const uint8_t *sessionKey)
{
    uint8_t frame[2] = {0x6C, fileNo};
    uint8_t buf[8];
    int secured = mode == MODE_MAC || mode == MODE_ENC;
    uint8_t r = cc_command(frame, sizeof frame, buf, secured ? 8 : 4);

    if (r != MF3_OK)
        return r;
    if (mode == MODE_MAC) {
        uint8_t mac[4];
        cc_mac(sessionKey, buf, 4, mac);
        if (memcmp(mac, buf + 4, 4) != 0)
            return MF3_INTEGRITY_ERROR;
    } else if (mode == MODE_ENC) {
        cc_receive_cipher(sessionKey, buf, 1);
        if (cc_crc_a(buf, 6) != 0)
            return MF3_INTEGRITY_ERROR;
    }
    *value = cc_get32(buf);
    return MF3_OK;
}

EXPORT uint8_t MF3_Value(uint8_t mode, uint8_t cmd, uint8_t fileNo,
                         int32_t amount, const uint8_t *sessionKey)
{
    uint8_t frame[10] = {0};

    frame[0] = cmd;
    frame[1] = fileNo;
    cc_put32(frame + 2, amount);
    if (mode == 0)
        return cc_command(frame, 6, NULL, 0);
    if (mode == MODE_MAC) {
        cc_mac(sessionKey, frame + 2, 4, frame + 6);
    } else if (mode == MODE_ENC) {
        cc_put_crc(frame + 6, frame + 2, 4);
        cc_send_cipher(sessionKey, frame + 2, 1);
    }
    /* Any other mode sends the amount followed by four zero bytes. */
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_ClearRecordFile(uint8_t fileNo)
{
    uint8_t frame[2] = {0xEB, fileNo};

    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_Transaction(uint8_t cmd)
{
    uint8_t frame[1] = {cmd};

    return cc_command(frame, sizeof frame, NULL, 0);
}
