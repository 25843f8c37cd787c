/* Authentication, key change and key settings. */
#include <string.h>

#include "descipher.h"
#include "internal.h"

#define EXPORT __attribute__((visibility("default")))

/* The host's challenge: the same 8 bytes for every authentication. */
static const uint8_t rnd_a[8] = {0x12, 0x34, 0x56, 0x78,
                                 0x9A, 0xBC, 0xDE, 0xF0};

EXPORT uint8_t MF3_Authkey(uint8_t keyNo, const uint8_t *key,
                           uint8_t *sessionKey)
{
    uint8_t frame[17];
    uint8_t rnd_b[8], proof[8];
    answer_t ans;
    uint8_t r;

    frame[0] = 0x0A;
    frame[1] = keyNo;
    r = cc_exchange(frame, 2, &ans);
    if (r != MF3_OK)
        return r;
    if (ans.b[0] != ST_MORE)
        return ans.b[0];
    if (ans.len != 9)
        return MF3_INTEGRITY_ERROR;

    /* The card's challenge, then RndA followed by RndB rotated left by one
     * byte, through the send cipher with the card key. */
    cc_block(key, DES_MODE_DECIPHER, ans.b + 1, rnd_b);
    frame[0] = ST_MORE;
    memcpy(frame + 1, rnd_a, 8);
    memcpy(frame + 9, rnd_b + 1, 7);
    frame[16] = rnd_b[0];
    cc_send_cipher(key, frame + 1, 2);

    r = cc_exchange(frame, 17, &ans);
    if (r != MF3_OK)
        return r;
    if (ans.b[0] != ST_OK)
        return ans.b[0];
    if (ans.len != 9)
        return MF3_INTEGRITY_ERROR;

    /* The card proves the key by sending RndA rotated left by one byte. */
    cc_block(key, DES_MODE_DECIPHER, ans.b + 1, proof);
    if (proof[7] != rnd_a[0] || memcmp(proof, rnd_a + 1, 7) != 0)
        return MF3_AUTH_PROOF_ERROR;

    memcpy(sessionKey, rnd_a, 4);
    memcpy(sessionKey + 4, rnd_b, 4);
    if (memcmp(key, key + 8, 8) == 0) {
        memcpy(sessionKey + 8, sessionKey, 8);
    } else {
        memcpy(sessionKey + 8, rnd_a + 4, 4);
        memcpy(sessionKey + 12, rnd_b + 4, 4);
    }
    return MF3_OK;
}

EXPORT uint8_t MF3_ChangeKey(uint8_t keyNo, uint8_t authKeyNo,
                             const uint8_t *newKey, const uint8_t *oldKey,
                             const uint8_t *sessionKey)
{
    uint8_t frame[26] = {0};
    uint8_t *cryptogram = frame + 2;

    frame[0] = 0xC4;
    frame[1] = keyNo;
    if (keyNo == authKeyNo) {
        memcpy(cryptogram, newKey, 16);
        cc_put_crc(cryptogram + 16, newKey, 16);
    } else {
        for (int i = 0; i < 16; i++)
            cryptogram[i] = (uint8_t)(newKey[i] ^ oldKey[i]);
        cc_put_crc(cryptogram + 16, cryptogram, 16);
        cc_put_crc(cryptogram + 18, newKey, 16);
    }
    cc_send_cipher(sessionKey, cryptogram, 3);
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_ChangeKeySettings(uint8_t settings,
                                     const uint8_t *sessionKey)
{
    uint8_t frame[9] = {0};

    frame[0] = 0x54;
    frame[1] = settings;
    cc_put_crc(frame + 2, &settings, 1);
    cc_send_cipher(sessionKey, frame + 1, 1);
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_GetKeySettings(uint8_t *settings, uint8_t *maxKeys)
{
    static const uint8_t frame[1] = {0x45};
    uint8_t out[2];
    uint8_t r = cc_command(frame, sizeof frame, out, sizeof out);

    if (r == MF3_OK) {
        *settings = out[0];
        *maxKeys = out[1];
    }
    return r;
}

EXPORT uint8_t MF3_GetKeyVersion(uint8_t keyNo, uint8_t *version)
{
    uint8_t frame[2] = {0x64, keyNo};
    uint8_t out;
    uint8_t r = cc_command(frame, sizeof frame, &out, 1);

    if (r == MF3_OK)
        *version = out;
    return r;
}
