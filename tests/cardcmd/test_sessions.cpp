// Whole sessions of the card command library against the software card of
// librc500usb.so: authentication with DES and two-key 3DES keys, key
// changes, applications, every file kind, reads and writes in modes 0, 1
// and 3 over several frames, values and records with commit and abort,
// and refusals for wrong keys.
#include "cardcmd.h"
#include "check.h"
#include "rc500usb.h"

#include <cstring>

namespace {

#define OK(expr) CHECK_EQ((expr), 0x00)

const Bytes ZERO(16, 0);
// first 8 bytes' low bits 1 0 1 0 0 0 0 1: key version 0xA1
const Bytes K_APP1 = from_hex("0100010002040609 8899AABBCCDDEEFF");
const Bytes K_MASTER = from_hex("11223344556677881122334455667788"); // DES written twice
const Bytes K_NEWPICC = from_hex("A0A1A2A3A4A5A6A7B0B1B2B3B4B5B6B7");

Bytes pattern(size_t n, uint8_t start = 1)
{
    Bytes b(n);
    for (size_t i = 0; i < n; i++)
        b[i] = uint8_t(start + 7 * i);
    return b;
}

void reauth(uint8_t *session) { OK(MF3_Authkey(0, K_MASTER.data(), session)); }

bool halves_equal(const uint8_t *k) { return std::memcmp(k, k + 8, 8) == 0; }

// Writes `data` and reads it back, once with its length and once as the
// whole file (the file is exactly that long).
void write_read(uint8_t mode, uint8_t file, const Bytes &data, const uint8_t *session)
{
    Bytes buf = data;
    buf.resize(data.size() + 9);
    OK(MF3_WriteData(mode, file, 0, uint16_t(data.size()), buf.data(), session));
    Bytes back(data.size() + 16);
    OK(MF3_ReadData(mode, file, 0, uint16_t(data.size()), back.data(), session));
    CHECK_BYTES(Bytes(back.begin(), back.begin() + data.size()), data);
    Bytes all(MF3_READ_ALL_MAX + 1);
    OK(MF3_ReadData(mode, file, 0, 0, all.data(), session));
    CHECK_BYTES(Bytes(all.begin(), all.begin() + data.size()), data);
    // a part in the middle
    Bytes mid(40 + 16);
    OK(MF3_ReadData(mode, file, 70, 33, mid.data(), session));
    CHECK_BYTES(Bytes(mid.begin(), mid.begin() + 33), Bytes(data.begin() + 70, data.begin() + 103));
}

void card_level()
{
    g_case = "fresh card";
    softcard_reset();
    uint8_t settings = 0, max = 0, version = 0xFF, count = 0xFF;
    Bytes ver(MF3_VERSION_SIZE);
    OK(MF3_GetVersion(ver.data()));
    CHECK_EQ(ver[0], 0x04);   // vendor
    CHECK_EQ(ver[7], 0x04);   // software part
    OK(MF3_GetKeySettings(&settings, &max));
    CHECK_EQ(settings, 0x0F);
    CHECK_EQ(max, 1);
    OK(MF3_GetKeyVersion(0, &version));
    CHECK_EQ(version, 0);
    CHECK_EQ(MF3_GetKeyVersion(1, &version), 0x40);
    Bytes ids(MF3_APP_IDS_SIZE);
    OK(MF3_GetApplicationIDs(ids.data(), &count));
    CHECK_EQ(count, 0);

    g_case = "DES authentication with the default key";
    uint8_t session[16];
    OK(MF3_Authkey(0, ZERO.data(), session));
    CHECK(halves_equal(session));
    CHECK_EQ(MF3_Authkey(0, K_NEWPICC.data(), session), 0xAE);  // wrong key
    CHECK_EQ(MF3_Authkey(1, ZERO.data(), session), 0x40);       // no such key

    g_case = "applications";
    OK(MF3_Authkey(0, ZERO.data(), session));
    OK(MF3_CreateApplication(0x01, 0x0F, 3));
    OK(MF3_CreateApplication(0x12, 0x0F, 1));
    OK(MF3_CreateApplication(0x7F, 0x0F, 14));
    CHECK_EQ(MF3_CreateApplication(0x12, 0x0F, 1), 0xDE);
    CHECK_EQ(MF3_CreateApplication(0x20, 0x0F, 15), 0x9E);
    OK(MF3_GetApplicationIDs(ids.data(), &count));
    CHECK_EQ(count, 3);
    CHECK_BYTES(Bytes(ids.begin(), ids.begin() + 9), from_hex("000001 000012 00007F"));
    OK(MF3_DeleteApplication(0x7F));
    CHECK_EQ(MF3_DeleteApplication(0x7F), 0xA0);
    CHECK_EQ(MF3_SelectApplication(0x33), 0xA0);
    OK(MF3_SelectApplication(0x12));
    OK(MF3_GetKeySettings(&settings, &max));
    CHECK_EQ(max, 1);
    OK(MF3_SelectApplication(0));
    OK(MF3_GetKeySettings(&settings, &max));
    CHECK_EQ(max, 1);

    g_case = "many applications listed over two frames";
    OK(MF3_Authkey(0, ZERO.data(), session));
    for (uint8_t a = 0x40; a < 0x40 + 24; a++)
        OK(MF3_CreateApplication(a, 0x0F, 1));
    OK(MF3_GetApplicationIDs(ids.data(), &count));
    CHECK_EQ(count, 26);
    CHECK_BYTES(Bytes(ids.begin() + 75, ids.begin() + 78), from_hex("000057"));
    CHECK_EQ(MF3_CreateApplication(0x70, 0x0F, 1), 0x00);
    CHECK_EQ(MF3_CreateApplication(0x71, 0x0F, 1), 0x00);
    CHECK_EQ(MF3_CreateApplication(0x72, 0x0F, 1), 0xCE);  // 28 is the most
    OK(MF3_Authkey(0, ZERO.data(), session));  // every error ends the authentication

    g_case = "card master key: DES to another DES key, then 2K3DES";
    OK(MF3_ChangeKey(0, 0, K_MASTER.data(), ZERO.data(), session));
    CHECK_EQ(MF3_Authkey(0, ZERO.data(), session), 0xAE);
    reauth(session);
    CHECK(halves_equal(session));
    OK(MF3_ChangeKey(0, 0, K_NEWPICC.data(), K_MASTER.data(), session));
    OK(MF3_Authkey(0, K_NEWPICC.data(), session));
    CHECK(!halves_equal(session));

    g_case = "card key settings and format";
    OK(MF3_ChangeKeySettings(0x09, session));  // no free listing or creating
    OK(MF3_GetKeySettings(&settings, &max));
    CHECK_EQ(settings, 0x09);
    OK(MF3_SelectApplication(0));  // authentication is lost
    CHECK_EQ(MF3_GetApplicationIDs(ids.data(), &count), 0xAE);
    CHECK_EQ(MF3_CreateApplication(0x73, 0x0F, 1), 0xAE);
    CHECK_EQ(MF3_FormatPICC(), 0xAE);
    OK(MF3_Authkey(0, K_NEWPICC.data(), session));
    OK(MF3_FormatPICC());
    OK(MF3_GetApplicationIDs(ids.data(), &count));
    CHECK_EQ(count, 0);
}

void application_keys(uint8_t *session)
{
    g_case = "application keys";
    softcard_reset();
    OK(MF3_CreateApplication(0x01, 0x0F, 3));
    OK(MF3_SelectApplication(0x01));
    OK(MF3_Authkey(0, ZERO.data(), session));
    // another key: the cryptogram carries new XOR old
    OK(MF3_ChangeKey(1, 0, K_APP1.data(), ZERO.data(), session));
    uint8_t version = 0;
    OK(MF3_GetKeyVersion(1, &version));
    CHECK_EQ(version, 0xA1);
    // a wrong old key is found out by the card
    CHECK_EQ(MF3_ChangeKey(2, 0, K_APP1.data(), K_MASTER.data(), session), 0x1E);
    // the card dropped the authentication with that error
    CHECK_EQ(MF3_ChangeKey(2, 0, K_APP1.data(), ZERO.data(), session), 0xAE);
    OK(MF3_Authkey(1, K_APP1.data(), session));
    CHECK(!halves_equal(session));
    CHECK_EQ(MF3_Authkey(1, ZERO.data(), session), 0xAE);
    CHECK_EQ(MF3_Authkey(3, ZERO.data(), session), 0x40);
    // key 0 itself, to a DES key
    OK(MF3_Authkey(0, ZERO.data(), session));
    OK(MF3_ChangeKey(0, 0, K_MASTER.data(), nullptr, session));
    reauth(session);
    CHECK(halves_equal(session));
    uint8_t settings = 0, max = 0;
    OK(MF3_ChangeKeySettings(0x0B, session));
    OK(MF3_GetKeySettings(&settings, &max));
    CHECK_EQ(settings, 0x0B);
    CHECK_EQ(max, 3);
    // settings 0x0B: creating files needs the master key
    OK(MF3_SelectApplication(0x01));
    CHECK_EQ(MF3_CreateDataFile(9, 0xCD, 0, 0xEEEE, 8), 0xAE);
    reauth(session);
}

void files(uint8_t *session)
{
    g_case = "create every file kind";
    OK(MF3_CreateDataFile(0, 0xCD, 0x00, 0xEEEE, 150));
    OK(MF3_CreateDataFile(1, 0xCD, 0x01, 0x0000, 150));
    OK(MF3_CreateDataFile(2, 0xCD, 0x03, 0x1110, 150));
    OK(MF3_CreateDataFile(3, 0xCB, 0x03, 0x0000, 64));
    OK(MF3_CreateValueFile(4, 0x03, 0x0000, -100, 10000, -1, 0));
    OK(MF3_CreateValueFile(5, 0x01, 0x0000, 0, 1000, 500, 1));
    OK(MF3_CreateRecordFile(0xC1, 6, 0x00, 0x0000, 10, 3));
    OK(MF3_CreateRecordFile(0xC0, 7, 0x03, 0x0000, 8, 3));
    OK(MF3_CreateDataFile(8, 0xCD, 0x03, 0x0000, 1500));
    CHECK_EQ(MF3_CreateDataFile(0, 0xCD, 0x00, 0xEEEE, 10), 0xDE);
    reauth(session);
    CHECK_EQ(MF3_CreateValueFile(9, 0x00, 0x0000, 10, 0, 5, 0), 0x9E);
    reauth(session);
    Bytes ids(MF3_FILE_IDS_SIZE);
    uint8_t count = 0;
    OK(MF3_GetFileIDs(ids.data(), &count));
    CHECK_EQ(count, 9);
    CHECK_BYTES(Bytes(ids.begin(), ids.begin() + 9), from_hex("00 01 02 03 04 05 06 07 08"));

    g_case = "file settings";
    Bytes fs(MF3_FILE_SETTINGS_SIZE);
    OK(MF3_GetFileSettings(2, fs.data()));
    CHECK_BYTES(Bytes(fs.begin(), fs.begin() + 7), from_hex("00 03 10 11 96 00 00"));
    OK(MF3_GetFileSettings(3, fs.data()));
    CHECK_EQ(fs[0], 0x01);
    OK(MF3_GetFileSettings(4, fs.data()));
    CHECK_BYTES(Bytes(fs.begin(), fs.begin() + 17),
                from_hex("02 03 00 00 9C FF FF FF 10 27 00 00 00 00 00 00 00"));
    OK(MF3_GetFileSettings(7, fs.data()));
    CHECK_BYTES(Bytes(fs.begin(), fs.begin() + 13), from_hex("04 03 00 00 08 00 00 03 00 00 00 00 00"));
    CHECK_EQ(MF3_GetFileSettings(12, fs.data()), 0xF0);
    reauth(session);

    g_case = "write and read back plain, MACed, enciphered";
    write_read(0, 0, pattern(150, 3), session);
    write_read(1, 1, pattern(150, 5), session);
    write_read(3, 8, Bytes(pattern(1500, 9)), session);
    // file 2 is read and written with key 1
    Bytes buf(150 + 16);
    CHECK_EQ(MF3_ReadData(3, 2, 0, 150, buf.data(), session), 0x9D);
    OK(MF3_Authkey(1, K_APP1.data(), session));
    write_read(3, 2, pattern(150, 11), session);
    // with a wrong session key the card's MAC or CRC does not match
    uint8_t wrong[16];
    std::memcpy(wrong, session, 16);
    wrong[0] ^= 0x40;
    CHECK_EQ(MF3_ReadData(3, 2, 0, 150, buf.data(), wrong), 0x1E);
    // and what we send is refused by the card
    Bytes w = pattern(20);
    w.resize(29);
    CHECK_EQ(MF3_WriteData(3, 2, 0, 20, w.data(), wrong), 0x1E);
    CHECK_EQ(MF3_ReadData(3, 2, 0, 150, buf.data(), session), 0xAE);  // lost with the error
    reauth(session);
    Bytes w1 = pattern(20);
    w1.resize(29);
    CHECK_EQ(MF3_WriteData(1, 1, 0, 20, w1.data(), wrong), 0x1E);
    reauth(session);
    // beyond the end of the file
    Bytes w2(40 + 9);
    CHECK_EQ(MF3_WriteData(0, 0, 140, 20, w2.data(), nullptr), 0xBE);
    reauth(session);

    g_case = "change file settings";
    OK(MF3_ChangeFlieSettings(3, 0, 0x01, 0xEEEE, session));  // free: plain
    OK(MF3_GetFileSettings(0, fs.data()));
    CHECK_EQ(fs[1], 0x01);
    OK(MF3_ChangeFlieSettings(1, 1, 0x03, 0x0000, session));  // key 0: enciphered
    OK(MF3_GetFileSettings(1, fs.data()));
    CHECK_EQ(fs[1], 0x03);
    Bytes r1(150 + 16);
    OK(MF3_ReadData(3, 1, 0, 150, r1.data(), session));
    CHECK_BYTES(Bytes(r1.begin(), r1.begin() + 150), pattern(150, 5));

    g_case = "backup file: commit and abort";
    Bytes zero64(64, 0), img = pattern(64, 0x21), img2 = pattern(64, 0x40);
    Bytes b = img;
    b.resize(64 + 9);
    OK(MF3_WriteData(3, 3, 0, 64, b.data(), session));
    Bytes rd(64 + 16);
    OK(MF3_ReadData(3, 3, 0, 64, rd.data(), session));
    CHECK_BYTES(Bytes(rd.begin(), rd.begin() + 64), zero64);  // not yet committed
    OK(MF3_Transaction(MF3_CMD_COMMIT));
    OK(MF3_ReadData(3, 3, 0, 64, rd.data(), session));
    CHECK_BYTES(Bytes(rd.begin(), rd.begin() + 64), img);
    b = img2;
    b.resize(64 + 9);
    OK(MF3_WriteData(3, 3, 0, 64, b.data(), session));
    OK(MF3_Transaction(MF3_CMD_ABORT));
    OK(MF3_Transaction(MF3_CMD_COMMIT));
    OK(MF3_ReadData(3, 3, 0, 64, rd.data(), session));
    CHECK_BYTES(Bytes(rd.begin(), rd.begin() + 64), img);
}

void values(uint8_t *session)
{
    int32_t v = 0;
    g_case = "value file, enciphered";
    OK(MF3_GetValue(3, 4, &v, session));
    CHECK_EQ(v, -1);
    OK(MF3_Value(3, MF3_CMD_CREDIT, 4, 101, session));
    OK(MF3_GetValue(3, 4, &v, session));
    CHECK_EQ(v, -1);  // until the commit
    OK(MF3_Transaction(MF3_CMD_COMMIT));
    OK(MF3_GetValue(3, 4, &v, session));
    CHECK_EQ(v, 100);
    OK(MF3_Value(3, MF3_CMD_DEBIT, 4, 30, session));
    OK(MF3_Transaction(MF3_CMD_ABORT));
    OK(MF3_GetValue(3, 4, &v, session));
    CHECK_EQ(v, 100);
    OK(MF3_Value(3, MF3_CMD_DEBIT, 4, 30, session));
    OK(MF3_Transaction(MF3_CMD_COMMIT));
    OK(MF3_GetValue(3, 4, &v, session));
    CHECK_EQ(v, 70);
    CHECK_EQ(MF3_Value(3, MF3_CMD_DEBIT, 4, 171, session), 0xBE);  // below -100
    reauth(session);
    CHECK_EQ(MF3_Value(3, MF3_CMD_CREDIT, 4, 9931, session), 0xBE); // above 10000
    reauth(session);
    CHECK_EQ(MF3_Value(3, MF3_CMD_LIMITED_CREDIT, 4, 1, session), 0x9D);
    reauth(session);
    CHECK_EQ(MF3_Value(0, MF3_CMD_CREDIT, 4, 1, nullptr), 0x7E);  // plain frame for an enciphered file

    g_case = "value file, MACed, limited credit";
    reauth(session);
    OK(MF3_GetValue(1, 5, &v, session));
    CHECK_EQ(v, 500);
    OK(MF3_Value(1, MF3_CMD_DEBIT, 5, 120, session));
    OK(MF3_Transaction(MF3_CMD_COMMIT));
    CHECK_EQ(MF3_Value(1, MF3_CMD_LIMITED_CREDIT, 5, 121, session), 0xBE);
    reauth(session);
    OK(MF3_Value(1, MF3_CMD_LIMITED_CREDIT, 5, 120, session));
    OK(MF3_Transaction(MF3_CMD_COMMIT));
    OK(MF3_GetValue(1, 5, &v, session));
    CHECK_EQ(v, 500);
    CHECK_EQ(MF3_Value(1, MF3_CMD_LIMITED_CREDIT, 5, 1, session), 0xBE);  // used up
    reauth(session);
    uint8_t wrong[16];
    std::memcpy(wrong, session, 16);
    wrong[9] ^= 0x40;  // not a parity bit, which DES ignores
    int32_t kept = 4242;
    CHECK_EQ(MF3_GetValue(1, 5, &kept, wrong), 0x1E);
    CHECK_EQ(kept, 4242);

    g_case = "card leaves the field with a transaction open";
    OK(MF3_Value(1, MF3_CMD_CREDIT, 5, 7, session));
    softcard_reselect();
    CHECK_EQ(MF3_GetValue(1, 5, &v, session), 0xF0);  // card level: no such file
    OK(MF3_SelectApplication(0x01));
    CHECK_EQ(MF3_GetValue(1, 5, &v, session), 0xAE);
    reauth(session);
    OK(MF3_Transaction(MF3_CMD_COMMIT));
    OK(MF3_GetValue(1, 5, &v, session));
    CHECK_EQ(v, 500);
}

void records(uint8_t *session)
{
    g_case = "linear record file";
    for (uint8_t i = 0; i < 3; i++) {
        Bytes rec = pattern(10, uint8_t(0x10 * (i + 1)));
        rec.resize(19);
        OK(MF3_WriteRecord(0, 6, 0, 10, rec.data(), session));
        OK(MF3_Transaction(MF3_CMD_COMMIT));
    }
    Bytes full = pattern(10);
    full.resize(19);
    CHECK_EQ(MF3_WriteRecord(0, 6, 0, 10, full.data(), session), 0xBE);
    reauth(session);
    Bytes all(MF3_READ_ALL_MAX + 1);
    OK(MF3_ReadRecord(0, 6, 0, 0, 10, all.data(), session));
    CHECK_BYTES(Bytes(all.begin(), all.begin() + 30),
                [] { Bytes r; for (uint8_t i = 1; i <= 3; i++) { Bytes p = pattern(10, uint8_t(0x10 * i)); r.insert(r.end(), p.begin(), p.end()); } return r; }());
    Bytes newest(10 + 1);
    OK(MF3_ReadRecord(0, 6, 0, 1, 10, newest.data(), session));
    CHECK_BYTES(Bytes(newest.begin(), newest.begin() + 10), pattern(10, 0x30));
    OK(MF3_ReadRecord(0, 6, 2, 1, 10, newest.data(), session));
    CHECK_BYTES(Bytes(newest.begin(), newest.begin() + 10), pattern(10, 0x10));
    OK(MF3_ClearRecordFile(6));
    OK(MF3_ReadRecord(0, 6, 0, 1, 10, newest.data(), session));  // cleared at commit
    OK(MF3_Transaction(MF3_CMD_COMMIT));
    CHECK_EQ(MF3_ReadRecord(0, 6, 0, 0, 10, all.data(), session), 0xBE);
    reauth(session);

    g_case = "cyclic record file, enciphered";
    for (uint8_t i = 0; i < 4; i++) {
        Bytes rec = pattern(8, uint8_t(0x50 + i));
        rec.resize(17);
        OK(MF3_WriteRecord(3, 7, 0, 8, rec.data(), session));
        OK(MF3_Transaction(MF3_CMD_COMMIT));
    }
    // a partial record and an abort leave nothing behind
    Bytes part = from_hex("EE EE");
    part.resize(11);
    OK(MF3_WriteRecord(3, 7, 3, 2, part.data(), session));
    OK(MF3_Transaction(MF3_CMD_ABORT));
    // three records with one kept spare: the last two remain
    OK(MF3_ReadRecord(3, 7, 0, 0, 8, all.data(), session));
    Bytes expect = pattern(8, 0x52);
    Bytes last = pattern(8, 0x53);
    expect.insert(expect.end(), last.begin(), last.end());
    CHECK_BYTES(Bytes(all.begin(), all.begin() + 16), expect);
    Bytes two(16 + 8 + 1);
    OK(MF3_ReadRecord(3, 7, 0, 2, 8, two.data(), session));
    CHECK_BYTES(Bytes(two.begin(), two.begin() + 16), expect);
    CHECK_EQ(MF3_ReadRecord(3, 7, 0, 3, 8, two.data(), session), 0xBE);
}

void cleanup(uint8_t *session)
{
    g_case = "delete files and the application";
    reauth(session);
    OK(MF3_DeleteFile(6));
    CHECK_EQ(MF3_DeleteFile(6), 0xF0);
    OK(MF3_SelectApplication(0));
    OK(MF3_DeleteApplication(0x01));
    CHECK_EQ(MF3_SelectApplication(0x01), 0xA0);
}

} // namespace

int main()
{
    uint8_t session[16];
    card_level();
    application_keys(session);
    files(session);
    values(session);
    records(session);
    cleanup(session);
    return finish("cardcmd_test_sessions");
}
