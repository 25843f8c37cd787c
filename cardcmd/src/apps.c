/* Applications, the card as a whole, and files of the selected
 * application. */
#include <string.h>

#include "internal.h"

#define EXPORT __attribute__((visibility("default")))

/* The three identifier bytes of application number n: 00 00 n. */
static void put_aid(uint8_t *p, uint8_t appNo)
{
    p[0] = 0x00;
    p[1] = 0x00;
    p[2] = appNo;
}

EXPORT uint8_t MF3_CreateApplication(uint8_t appNo, uint8_t keySettings,
                                     uint8_t numKeys)
{
    uint8_t frame[6];

    frame[0] = 0xCA;
    put_aid(frame + 1, appNo);
    frame[4] = keySettings;
    frame[5] = numKeys;
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_DeleteApplication(uint8_t appNo)
{
    uint8_t frame[4] = {0xDA};

    put_aid(frame + 1, appNo);
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_SelectApplication(uint8_t appNo)
{
    uint8_t frame[4] = {0x5A};

    put_aid(frame + 1, appNo);
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_GetApplicationIDs(uint8_t *ids, uint8_t *count)
{
    static const uint8_t frame[1] = {0x6A};
    size_t total;

    return cc_receive_chain(frame, sizeof frame, ids, MF3_APP_IDS_SIZE - 1u,
                            &total, count, 3);
}

EXPORT uint8_t MF3_FormatPICC(void)
{
    static const uint8_t frame[1] = {0xFC};

    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_GetVersion(uint8_t *version)
{
    static const uint8_t frame[1] = {0x60};
    size_t total;

    return cc_receive_chain(frame, sizeof frame, version,
                            MF3_VERSION_SIZE - 1u, &total, NULL, 1);
}

EXPORT uint8_t MF3_CreateDataFile(uint8_t fileNo, uint8_t cmd, uint8_t comm,
                                  uint16_t rights, uint16_t size)
{
    uint8_t frame[8];

    frame[0] = cmd;
    frame[1] = fileNo;
    frame[2] = comm;
    cc_put16(frame + 3, rights);
    cc_put24(frame + 5, size);
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_CreateValueFile(uint8_t fileNo, uint8_t comm,
                                   uint16_t rights, int32_t lowerLimit,
                                   int32_t upperLimit, int32_t value,
                                   uint8_t limitedCredit)
{
    uint8_t frame[18];

    frame[0] = 0xCC;
    frame[1] = fileNo;
    frame[2] = comm;
    cc_put16(frame + 3, rights);
    cc_put32(frame + 5, lowerLimit);
    cc_put32(frame + 9, upperLimit);
    cc_put32(frame + 13, value);
    frame[17] = limitedCredit;
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_CreateRecordFile(uint8_t cmd, uint8_t fileNo, uint8_t comm,
                                    uint16_t rights, uint16_t recordSize,
                                    uint16_t maxRecords)
{
    uint8_t frame[11];

    frame[0] = cmd;
    frame[1] = fileNo;
    frame[2] = comm;
    cc_put16(frame + 3, rights);
    cc_put24(frame + 5, recordSize);
    cc_put24(frame + 8, maxRecords);
    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_DeleteFile(uint8_t fileNo)
{
    uint8_t frame[2] = {0xDF, fileNo};

    return cc_command(frame, sizeof frame, NULL, 0);
}

EXPORT uint8_t MF3_GetFileIDs(uint8_t *ids, uint8_t *count)
{
    static const uint8_t frame[1] = {0x6F};
    size_t total;

    return cc_receive_chain(frame, sizeof frame, ids, MF3_FILE_IDS_SIZE - 1u,
                            &total, count, 1);
}

EXPORT uint8_t MF3_GetFileSettings(uint8_t fileNo, uint8_t *settings)
{
    answer_t ans;
    uint8_t r;

    /* The frame is built in the caller's buffer, which then receives the
     * answer with its status byte removed. */
    settings[0] = 0xF5;
    settings[1] = fileNo;
    r = cc_exchange(settings, 2, &ans);
    if (r != MF3_OK)
        return r;
    if (ans.len > MF3_FILE_SETTINGS_SIZE)
        return ans.b[0] == ST_OK ? MF3_INTEGRITY_ERROR : ans.b[0];
    memcpy(settings, ans.b, ans.len);
    if (ans.b[0] != ST_OK)
        return ans.b[0];
    memmove(settings, settings + 1, (size_t)ans.len - 1u);
    return MF3_OK;
}

EXPORT uint8_t MF3_ChangeFlieSettings(uint8_t mode, uint8_t fileNo,
                                      uint8_t comm, uint16_t rights,
                                      const uint8_t *sessionKey)
{
    uint8_t frame[10] = {0};

    frame[0] = 0x5F;
    frame[1] = fileNo;
    frame[2] = comm;
    cc_put16(frame + 3, rights);
    if (mode != 1)
        return cc_command(frame, 5, NULL, 0);
    cc_put_crc(frame + 5, frame + 2, 3);
    cc_send_cipher(sessionKey, frame + 2, 1);
    return cc_command(frame, sizeof frame, NULL, 0);
}
