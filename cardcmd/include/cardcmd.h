/*
 * cardcmd: one C function per MIFARE DESFire native command (DES and
 * two-key triple DES secure messaging).
 *
 * Every function sends its command frame through the reader library's
 * exchange function RC500USB_DSFBTrans (librc500usb.so) and uses the cipher
 * library's single_DES / triple_DES (libdes.so). The library keeps no state:
 * the caller keeps the 16-byte session key returned by MF3_Authkey and hands
 * it to the secured commands; the selected application and the
 * authentication live on the card. Open and select the card through the
 * reader library before calling anything here.
 *
 * Keys are 16 bytes, K1 then K2. When K1 equals K2 single DES with K1 is
 * used, otherwise two-key triple DES; a single-DES key is its 8 bytes
 * written twice.
 *
 * Communication mode of the file commands: 0 plain, 1 MACed, 3 enciphered
 * (any other value travels plain). MF3_ChangeFlieSettings enciphers only in
 * mode 1.
 *
 * Result of every function (one byte):
 *   0x00            success
 *   256 - r         the reader exchange failed with status r (r = 1 gives 0xFF)
 *   0x1E            the library found a fault: a MAC, CRC or padding check
 *                   failed, the card's answer is longer than the caller's
 *                   buffer or the command allows, an answer is malformed, or
 *                   a secured transfer would need more than 255 cipher
 *                   blocks (2040 bytes including CRC and padding), which is
 *                   refused before anything is sent
 *   0xFC            the card's answer to the authentication does not prove
 *                   knowledge of the key
 *   anything else   the card's status byte (see MF3_ST_* below)
 * A reader failure and a card status of the same value look the same.
 *
 * Buffers belong to the caller. The library never writes past the sizes
 * given here, whatever the card answers; an answer that would not fit ends
 * the call with 0x1E. Outputs are written only on success unless noted.
 */
#ifndef CARDCMD_H
#define CARDCMD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(CARDCMD_BUILDING)
#  define MF3_API __declspec(dllexport)
#elif defined(_WIN32)
#  define MF3_API __declspec(dllimport)
#elif defined(CARDCMD_BUILDING)
#  define MF3_API __attribute__((visibility("default")))
#else
#  define MF3_API
#endif

/* Results found by the library itself. */
#define MF3_OK               0x00u
#define MF3_INTEGRITY_ERROR  0x1Eu
#define MF3_AUTH_PROOF_ERROR 0xFCu
/* Result for a reader failure with non-zero status r. */
#define MF3_READER_FAILURE(r) ((uint8_t)(256u - (uint8_t)(r)))

/* Status bytes of the card family that are commonly met. */
#define MF3_ST_NO_CHANGES        0x0Cu
#define MF3_ST_OUT_OF_EEPROM     0x0Eu
#define MF3_ST_ILLEGAL_COMMAND   0x1Cu
#define MF3_ST_INTEGRITY_ERROR   0x1Eu
#define MF3_ST_NO_SUCH_KEY       0x40u
#define MF3_ST_LENGTH_ERROR      0x7Eu
#define MF3_ST_PERMISSION_DENIED 0x9Du
#define MF3_ST_PARAMETER_ERROR   0x9Eu
#define MF3_ST_APP_NOT_FOUND     0xA0u
#define MF3_ST_APP_INTEGRITY     0xA1u
#define MF3_ST_AUTH_ERROR        0xAEu
#define MF3_ST_ADDITIONAL_FRAME  0xAFu
#define MF3_ST_BOUNDARY_ERROR    0xBEu
#define MF3_ST_PICC_INTEGRITY    0xC1u
#define MF3_ST_COMMAND_ABORTED   0xCAu
#define MF3_ST_PICC_DISABLED     0xCDu
#define MF3_ST_COUNT_ERROR       0xCEu
#define MF3_ST_DUPLICATE_ERROR   0xDEu
#define MF3_ST_EEPROM_ERROR      0xEEu
#define MF3_ST_FILE_NOT_FOUND    0xF0u
#define MF3_ST_FILE_INTEGRITY    0xF1u

/* Command codes the caller passes to the functions that take one. */
#define MF3_CMD_STD_DATA_FILE    0xCDu
#define MF3_CMD_BACKUP_DATA_FILE 0xCBu
#define MF3_CMD_LINEAR_RECORD    0xC1u
#define MF3_CMD_CYCLIC_RECORD    0xC0u
#define MF3_CMD_CREDIT           0x0Cu
#define MF3_CMD_DEBIT            0xDCu
#define MF3_CMD_LIMITED_CREDIT   0x1Cu
#define MF3_CMD_COMMIT           0xC7u
#define MF3_CMD_ABORT            0xA7u

/* Buffer sizes for the answers whose length the arguments do not give.
 * Each includes the one spare byte every output buffer needs. */
#define MF3_APP_IDS_SIZE       (28u * 3u + 1u) /* up to 28 applications  */
#define MF3_FILE_IDS_SIZE      (32u + 1u)      /* up to 32 files         */
#define MF3_VERSION_SIZE       (28u + 1u)      /* 7 + 7 + 14 data bytes  */
#define MF3_FILE_SETTINGS_SIZE (17u + 1u)      /* value file is longest  */
/* Reads of a whole file (length 0, or record count 0) accept at most this
 * many received bytes (data with MAC, or CRC and padding); give a buffer of
 * MF3_READ_ALL_MAX + 1 bytes or ask for an explicit length. */
#define MF3_READ_ALL_MAX       2048u
/* Largest secured transfer: 255 cipher blocks. */
#define MF3_SECURED_MAX        2040u

/* ---- Authentication and keys ---- */

/* Authenticates with card key `keyNo` using `key` (16 bytes) and writes the
 * 16-byte session key on success. */
MF3_API uint8_t MF3_Authkey(uint8_t keyNo, const uint8_t *key,
                            uint8_t *sessionKey);
/* Changes key `keyNo` to `newKey`; `authKeyNo` is the key of the current
 * authentication. `oldKey` (the current value of key `keyNo`) is used only
 * when the two numbers differ. */
MF3_API uint8_t MF3_ChangeKey(uint8_t keyNo, uint8_t authKeyNo,
                              const uint8_t *newKey, const uint8_t *oldKey,
                              const uint8_t *sessionKey);
MF3_API uint8_t MF3_ChangeKeySettings(uint8_t settings,
                                      const uint8_t *sessionKey);
MF3_API uint8_t MF3_GetKeySettings(uint8_t *settings, uint8_t *maxKeys);
MF3_API uint8_t MF3_GetKeyVersion(uint8_t keyNo, uint8_t *version);

/* ---- Applications and files ----
 * An application number n names the application with identifier
 * n * 65536 (sent as 00 00 n); 0 is the card level. */
MF3_API uint8_t MF3_CreateApplication(uint8_t appNo, uint8_t keySettings,
                                      uint8_t numKeys);
MF3_API uint8_t MF3_DeleteApplication(uint8_t appNo);
/* ids: MF3_APP_IDS_SIZE bytes; receives the 3-byte identifiers as the card
 * sends them. count is set to 0 first and grows frame by frame, so on an
 * error it tells how far the list got. */
MF3_API uint8_t MF3_GetApplicationIDs(uint8_t *ids, uint8_t *count);
MF3_API uint8_t MF3_SelectApplication(uint8_t appNo);
MF3_API uint8_t MF3_FormatPICC(void);
/* version: MF3_VERSION_SIZE bytes. */
MF3_API uint8_t MF3_GetVersion(uint8_t *version);
/* cmd: MF3_CMD_STD_DATA_FILE or MF3_CMD_BACKUP_DATA_FILE. */
MF3_API uint8_t MF3_CreateDataFile(uint8_t fileNo, uint8_t cmd, uint8_t comm,
                                   uint16_t rights, uint16_t size);
MF3_API uint8_t MF3_CreateValueFile(uint8_t fileNo, uint8_t comm,
                                    uint16_t rights, int32_t lowerLimit,
                                    int32_t upperLimit, int32_t value,
                                    uint8_t limitedCredit);
/* cmd: MF3_CMD_LINEAR_RECORD or MF3_CMD_CYCLIC_RECORD. */
MF3_API uint8_t MF3_CreateRecordFile(uint8_t cmd, uint8_t fileNo, uint8_t comm,
                                     uint16_t rights, uint16_t recordSize,
                                     uint16_t maxRecords);
MF3_API uint8_t MF3_DeleteFile(uint8_t fileNo);
/* ids: MF3_FILE_IDS_SIZE bytes; count as for MF3_GetApplicationIDs. */
MF3_API uint8_t MF3_GetFileIDs(uint8_t *ids, uint8_t *count);
/* settings: MF3_FILE_SETTINGS_SIZE bytes. On success it holds the settings
 * from byte 0; on a card error it holds the card's answer, status first. */
MF3_API uint8_t MF3_GetFileSettings(uint8_t fileNo, uint8_t *settings);
/* mode 1 sends the settings enciphered with the session key, any other
 * mode sends them plain (the session key is then not read). */
MF3_API uint8_t MF3_ChangeFlieSettings(uint8_t mode, uint8_t fileNo,
                                       uint8_t comm, uint16_t rights,
                                       const uint8_t *sessionKey);

/* ---- Data, value and record files ----
 * Read buffers: length bytes plus 4 (mode 1) or plus CRC and padding up to
 * a multiple of 8 (mode 3), plus 1. With length 0 (whole file):
 * MF3_READ_ALL_MAX + 1 bytes. The plain data stands at the start.
 * Write buffers: length + 9 bytes; after a secured write the buffer holds
 * what was sent (data and MAC, or the enciphered blocks).
 * The session key is read only in modes 1 and 3. */
MF3_API uint8_t MF3_ReadData(uint8_t mode, uint8_t fileNo, uint16_t offset,
                             uint16_t length, uint8_t *data,
                             const uint8_t *sessionKey);
MF3_API uint8_t MF3_WriteData(uint8_t mode, uint8_t fileNo, uint16_t offset,
                              uint16_t length, uint8_t *data,
                              const uint8_t *sessionKey);
MF3_API uint8_t MF3_GetValue(uint8_t mode, uint8_t fileNo, int32_t *value,
                             const uint8_t *sessionKey);
/* cmd: MF3_CMD_CREDIT, MF3_CMD_DEBIT or MF3_CMD_LIMITED_CREDIT. */
MF3_API uint8_t MF3_Value(uint8_t mode, uint8_t cmd, uint8_t fileNo,
                          int32_t amount, const uint8_t *sessionKey);
/* Reads `count` records (0: all) of `recordSize` bytes starting `offset`
 * records back from the newest. The buffer is sized as for MF3_ReadData
 * with length count * recordSize, in every mode. */
MF3_API uint8_t MF3_ReadRecord(uint8_t mode, uint8_t fileNo, uint16_t offset,
                               uint16_t count, uint16_t recordSize,
                               uint8_t *data, const uint8_t *sessionKey);
MF3_API uint8_t MF3_WriteRecord(uint8_t mode, uint8_t fileNo, uint16_t offset,
                                uint16_t length, uint8_t *data,
                                const uint8_t *sessionKey);
MF3_API uint8_t MF3_ClearRecordFile(uint8_t fileNo);
/* cmd: MF3_CMD_COMMIT or MF3_CMD_ABORT (sent as given). */
MF3_API uint8_t MF3_Transaction(uint8_t cmd);

/* Short English text for a result. Values that a reader failure shares
 * with a card status are described as the card status. */
static inline const char *cardcmd_result_text(uint8_t result)
{
    switch (result) {
    case 0x00: return "success";
    case 0x0C: return "no changes";
    case 0x0E: return "card memory full";
    case 0x1C: return "illegal command";
    case 0x1E: return "integrity error (MAC, CRC, padding or answer length)";
    case 0x40: return "no such key";
    case 0x7E: return "length error";
    case 0x9D: return "permission denied";
    case 0x9E: return "parameter error";
    case 0xA0: return "application not found";
    case 0xA1: return "application integrity error";
    case 0xAE: return "authentication error";
    case 0xAF: return "additional frame expected";
    case 0xBE: return "boundary error";
    case 0xC1: return "card integrity error";
    case 0xCA: return "command aborted";
    case 0xCD: return "card disabled";
    case 0xCE: return "count error";
    case 0xDE: return "duplicate";
    case 0xEE: return "EEPROM error";
    case 0xF0: return "file not found";
    case 0xF1: return "file integrity error";
    case 0xFC: return "card did not prove knowledge of the key";
    case 0xFF: return "reader failure";
    default:   return "reader failure or unknown card status";
    }
}

#ifdef __cplusplus
}
#endif

#endif /* CARDCMD_H */
