/*
 * A software MIFARE DESFire card behind the reader library's exchange
 * function. It keeps the card level and up to 28 applications with their
 * keys, key settings and key versions; standard and backup data files,
 * value files and linear and cyclic record files with their communication
 * settings and access rights; a transaction buffer (backup data, values,
 * records) committed or aborted as a whole; frame chaining both ways; and
 * the native secure messaging: random card challenge, session keys, MACed
 * and enciphered transfers. Authentication is lost on every error answer
 * and on application select. Answers use the card family's status codes.
 *
 * There is one card per process: the exchange function has no handle.
 */
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <nettle/des.h>

#if defined(__linux__)
#include <sys/random.h>
#endif

#include "rc500usb.h"

#define EXPORT __attribute__((visibility("default")))

/* Status codes */
enum {
    OK = 0x00, NO_CHANGES = 0x0C, OUT_OF_EEPROM = 0x0E, ILLEGAL_CMD = 0x1C,
    INTEGRITY = 0x1E, NO_SUCH_KEY = 0x40, LENGTH = 0x7E, PERMISSION = 0x9D,
    PARAMETER = 0x9E, APP_NOT_FOUND = 0xA0, AUTH_ERROR = 0xAE, MORE = 0xAF,
    BOUNDARY = 0xBE, COUNT = 0xCE, DUPLICATE = 0xDE, FILE_NOT_FOUND = 0xF0
};

#define MAX_APPS     28
#define MAX_FILES    16      /* file numbers 0x00 to 0x0F */
#define MAX_KEYS     14
#define FRAME_IN     60      /* longest command frame accepted */
#define FRAME_OUT    59      /* data bytes per answer frame */
#define EEPROM       8192    /* bytes of file space on the card */
#define OUT_MAX      (EEPROM + 32)

enum { T_STD = 0, T_BACKUP = 1, T_VALUE = 2, T_LINEAR = 3, T_CYCLIC = 4 };
enum { COMM_PLAIN = 0, COMM_MAC = 1, COMM_ENC = 3 };

typedef struct {
    int exists;
    uint8_t type, comm;
    uint16_t rights;
    /* data files: committed image, and for backup files the pending one */
    uint32_t size;
    uint8_t *data, *shadow;
    /* value files */
    int32_t lower, upper, value, lc_value;
    uint8_t lc_enabled;
    int64_t credit, debit;   /* pending in this transaction */
    int lc_used;
    /* record files: committed records oldest first, one pending record */
    uint32_t rec_size, max_rec, count;
    uint8_t *records, *pending;
    int clear;
} file_t;

typedef struct {
    uint32_t aid;
    uint8_t settings, nkeys;
    uint8_t keys[MAX_KEYS][16];
    file_t files[MAX_FILES];
} app_t;

/* What a multi-frame exchange waits for next. */
enum { P_NONE, P_AUTH, P_WRITE, P_OUT };

static struct {
    int ready;
    uint8_t picc_key[16], picc_settings;
    app_t *apps[MAX_APPS];
    app_t *sel;              /* NULL: card level */
    uint32_t used;           /* file space in use */
    int auth_key;            /* -1: not authenticated */
    uint8_t session[16];

    int pending;
    /* authentication in progress */
    int auth_no;
    uint8_t rnd_b[8];
    /* chained write in progress */
    uint8_t in[OUT_MAX];
    size_t in_len, in_want;
    uint8_t in_hdr[8];
    /* chained answer in progress */
    uint8_t out[OUT_MAX];
    size_t out_len, out_pos;
    const uint8_t *cuts;     /* sizes of the answer frames, or NULL */
    int ncuts, cut;
} card;

/* ---- ciphers ----
 * The card only ever enciphers (two-key triple DES; equal key halves amount
 * to single DES): the host deciphers what it sends and what it receives. */

static void E(const uint8_t key[16], const uint8_t in[8], uint8_t out[8])
{
    struct des_ctx a, b;
    uint8_t t[8];
    (void)des_set_key(&a, key);      /* weak keys are set up all the same */
    (void)des_set_key(&b, key + 8);
    des_encrypt(&a, 8, t, in);
    des_decrypt(&b, 8, t, t);
    des_encrypt(&a, 8, out, t);
}

/* Data going to the host: CBC enciphering from a zero block. */
static void to_host(const uint8_t key[16], uint8_t *p, size_t n)
{
    uint8_t chain[8] = {0};
    for (size_t i = 0; i < n; i += 8) {
        for (int j = 0; j < 8; j++)
            chain[j] ^= p[i + (size_t)j];
        E(key, chain, chain);
        memcpy(p + i, chain, 8);
    }
}

/* Data coming from the host (which deciphers to send): each block is
 * enciphered and XORed with the received block before it. */
static void from_host(const uint8_t key[16], uint8_t *p, size_t n)
{
    uint8_t prev[8] = {0}, cur[8];
    for (size_t i = 0; i < n; i += 8) {
        memcpy(cur, p + i, 8);
        E(key, cur, p + i);
        for (int j = 0; j < 8; j++)
            p[i + (size_t)j] ^= prev[j];
        memcpy(prev, cur, 8);
    }
}

static void mac4(const uint8_t key[16], const uint8_t *p, size_t n,
                 uint8_t out[4])
{
    uint8_t chain[8] = {0};
    for (size_t off = 0; off < n; off += 8) {
        for (size_t j = 0; j < 8 && off + j < n; j++)
            chain[j] ^= p[off + j];
        E(key, chain, chain);
    }
    memcpy(out, chain, 4);
}

static uint16_t crc_a(const uint8_t *p, size_t n)
{
    uint16_t crc = 0x6363;
    while (n--) {
        crc ^= *p++;
        for (int b = 0; b < 8; b++)
            crc = (crc & 1u) ? (uint16_t)((crc >> 1) ^ 0x8408u)
                             : (uint16_t)(crc >> 1);
    }
    return crc;
}

static int crc_ok(const uint8_t *p, size_t n)
{
    uint16_t c = crc_a(p, n);
    return p[n] == (c & 0xFF) && p[n + 1] == (c >> 8);
}

static void put_crc(uint8_t *dst, const uint8_t *p, size_t n)
{
    uint16_t c = crc_a(p, n);
    dst[0] = (uint8_t)c;
    dst[1] = (uint8_t)(c >> 8);
}

static void random8(uint8_t out[8])
{
#if defined(__linux__)
    if (getrandom(out, 8, 0) == 8)
        return;
#endif
    for (int i = 0; i < 8; i++)
        out[i] = (uint8_t)rand();
}

static uint32_t get24(const uint8_t *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
}

static int32_t get32(const uint8_t *p)
{
    return (int32_t)((uint32_t)p[0] | ((uint32_t)p[1] << 8) |
                     ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24));
}

static void put32(uint8_t *p, int32_t v)
{
    uint32_t u = (uint32_t)v;
    for (int i = 0; i < 4; i++)
        p[i] = (uint8_t)(u >> (8 * i));
}

static void put24(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 3; i++)
        p[i] = (uint8_t)(v >> (8 * i));
}

/* ---- card state ---- */

static void free_file(file_t *f)
{
    free(f->data);
    free(f->shadow);
    free(f->records);
    free(f->pending);
    memset(f, 0, sizeof *f);
}

static uint32_t file_space(const file_t *f)
{
    if (f->type == T_VALUE)
        return 32;
    if (f->type == T_STD || f->type == T_BACKUP)
        return f->size;
    return f->rec_size * f->max_rec;
}

static void free_app(app_t *a)
{
    for (int i = 0; i < MAX_FILES; i++)
        if (a->files[i].exists) {
            card.used -= file_space(&a->files[i]);
            free_file(&a->files[i]);
        }
    free(a);
}

static void deauth(void)
{
    card.auth_key = -1;
    memset(card.session, 0, sizeof card.session);
}

/* Drops everything a transaction of the selected application holds. */
static void abort_transaction(void)
{
    if (card.sel == NULL)
        return;
    for (int i = 0; i < MAX_FILES; i++) {
        file_t *f = &card.sel->files[i];
        free(f->shadow);
        f->shadow = NULL;
        free(f->pending);
        f->pending = NULL;
        f->credit = f->debit = 0;
        f->lc_used = 0;
        f->clear = 0;
    }
}

static uint8_t commit_transaction(void)
{
    if (card.sel == NULL)
        return OK;
    for (int i = 0; i < MAX_FILES; i++) {
        file_t *f = &card.sel->files[i];
        if (!f->exists)
            continue;
        if (f->shadow != NULL) {
            memcpy(f->data, f->shadow, f->size);
            free(f->shadow);
            f->shadow = NULL;
        }
        if (f->type == T_VALUE && (f->credit || f->debit || f->lc_used)) {
            f->value = (int32_t)(f->value + f->credit - f->debit);
            if (f->debit)
                f->lc_value = (int32_t)f->debit;
            else if (f->lc_used)
                f->lc_value = 0;
            f->credit = f->debit = 0;
            f->lc_used = 0;
        }
        if (f->clear) {
            f->count = 0;
            f->clear = 0;
        }
        if (f->pending != NULL) {
            if (f->count == f->max_rec - (f->type == T_CYCLIC ? 1u : 0u)) {
                /* a cyclic file overwrites its oldest record */
                memmove(f->records, f->records + f->rec_size,
                        (size_t)(f->count - 1) * f->rec_size);
                f->count--;
            }
            memcpy(f->records + (size_t)f->count * f->rec_size, f->pending,
                   f->rec_size);
            f->count++;
            free(f->pending);
            f->pending = NULL;
        }
    }
    return OK;
}

static void factory(void)
{
    for (int i = 0; i < MAX_APPS; i++)
        if (card.apps[i] != NULL) {
            free_app(card.apps[i]);
            card.apps[i] = NULL;
        }
    memset(card.picc_key, 0, sizeof card.picc_key);
    card.picc_settings = 0x0F;
    card.sel = NULL;
    card.used = 0;
    card.pending = P_NONE;
    deauth();
    card.ready = 1;
}

EXPORT void softcard_reset(void)
{
    factory();
}

EXPORT void softcard_reselect(void)
{
    if (!card.ready)
        factory();
    abort_transaction();
    card.sel = NULL;
    card.pending = P_NONE;
    deauth();
}

/* ---- helpers of the commands ---- */

static uint8_t *key_of(int no)
{
    if (card.sel == NULL)
        return no == 0 ? card.picc_key : NULL;
    return no < card.sel->nkeys ? card.sel->keys[no] : NULL;
}

static uint8_t settings_of(void)
{
    return card.sel == NULL ? card.picc_settings : card.sel->settings;
}

/* Key version, kept in the low bits of the first 8 key bytes. */
static uint8_t version_of(const uint8_t *key)
{
    uint8_t v = 0;
    for (int i = 0; i < 8; i++)
        v = (uint8_t)(v | ((key[i] & 1u) << (7 - i)));
    return v;
}

/* May the caller act as the master key of the current level?  Either a
 * settings bit grants it freely or an authentication with key 0 does. */
static uint8_t master_or(uint8_t free_bit)
{
    if (settings_of() & free_bit)
        return OK;
    if (card.auth_key == 0)
        return OK;
    return card.auth_key < 0 ? AUTH_ERROR : PERMISSION;
}

static app_t **find_app(uint32_t aid)
{
    for (int i = 0; i < MAX_APPS; i++)
        if (card.apps[i] != NULL && card.apps[i]->aid == aid)
            return &card.apps[i];
    return NULL;
}

static file_t *find_file(uint8_t no)
{
    if (card.sel == NULL || no >= MAX_FILES || !card.sel->files[no].exists)
        return NULL;
    return &card.sel->files[no];
}

/* Access check. masks lists the access-right nibbles that allow the
 * operation (R = 12, W = 8, RW = 4, change = 0, as shifts). Sets *mode to
 * the communication mode to use: plain when access is free. */
static uint8_t access(const file_t *f, const int *shifts, int n, int *mode)
{
    int authed = 0;
    for (int i = 0; i < n; i++) {
        int k = (f->rights >> shifts[i]) & 0xF;
        if (k == 0xE) {
            *mode = COMM_PLAIN;
            return OK;
        }
        if (k == card.auth_key)
            authed = 1;
    }
    if (!authed)
        return card.auth_key < 0 ? AUTH_ERROR : PERMISSION;
    *mode = (f->comm & 3) == 2 ? COMM_PLAIN : (f->comm & 3);
    return OK;
}

static const int RD[] = {12, 4}, WR[] = {8, 4}, RWR[] = {4},
                 ANY[] = {12, 8, 4};

/* Sets the answer to go out in frames of FRAME_OUT data bytes, or in the
 * given frame sizes. */
static uint8_t answer(const uint8_t *cuts, int ncuts)
{
    card.out_pos = 0;
    card.cuts = cuts;
    card.ncuts = ncuts;
    card.cut = 0;
    card.pending = P_OUT;
    return OK;
}

/* Fills the card's answer with data for the host in the file's mode: plain,
 * with a MAC, or enciphered with CRC and padding (0x80 first when the whole
 * file was asked for). */
static void secure_out(int mode, const uint8_t *data, size_t n, int whole)
{
    memcpy(card.out, data, n);
    card.out_len = n;
    if (mode == COMM_MAC) {
        mac4(card.session, data, n, card.out + n);
        card.out_len = n + 4;
    } else if (mode == COMM_ENC) {
        size_t len = n + 2;
        put_crc(card.out + n, data, n);
        if (whole)
            card.out[len++] = 0x80;
        while (len % 8)
            card.out[len++] = 0x00;
        to_host(card.session, card.out, len);
        card.out_len = len;
    }
}

/* Checks and strips the secure messaging of `got` bytes holding n data
 * bytes from the host. */
static uint8_t secure_in(int mode, uint8_t *p, size_t n)
{
    if (mode == COMM_MAC) {
        uint8_t m[4];
        mac4(card.session, p, n, m);
        return memcmp(m, p + n, 4) == 0 ? OK : INTEGRITY;
    }
    if (mode == COMM_ENC) {
        size_t len = (n + 2 + 7) & ~(size_t)7;
        from_host(card.session, p, len);
        if (!crc_ok(p, n))
            return INTEGRITY;
        for (size_t i = n + 2; i < len; i++)
            if (p[i] != 0)
                return INTEGRITY;
    }
    return OK;
}

static size_t secured_len(int mode, size_t n)
{
    if (mode == COMM_MAC)
        return n + 4;
    if (mode == COMM_ENC)
        return (n + 2 + 7) & ~(size_t)7;
    return n;
}

/* ---- commands ---- */

static uint8_t cmd_auth(const uint8_t *f, size_t n)
{
    uint8_t *key;
    deauth();
    if (n != 2)
        return LENGTH;
    key = key_of(f[1]);
    if (key == NULL)
        return NO_SUCH_KEY;
    card.auth_no = f[1];
    random8(card.rnd_b);
    memcpy(card.out, card.rnd_b, 8);
    to_host(key, card.out, 8);
    card.out_len = 8;
    card.pending = P_AUTH;
    return MORE;
}

static uint8_t cmd_auth2(const uint8_t *f, size_t n)
{
    uint8_t *key = key_of(card.auth_no);
    uint8_t p[16], rnd_a[8];
    card.pending = P_NONE;
    if (n != 17)
        return LENGTH;
    memcpy(p, f + 1, 16);
    from_host(key, p, 16);
    if (memcmp(p + 8, card.rnd_b + 1, 7) != 0 || p[15] != card.rnd_b[0])
        return AUTH_ERROR;
    memcpy(rnd_a, p, 8);
    memcpy(card.out, rnd_a + 1, 7);
    card.out[7] = rnd_a[0];
    to_host(key, card.out, 8);
    card.out_len = 8;
    memcpy(card.session, rnd_a, 4);
    memcpy(card.session + 4, card.rnd_b, 4);
    if (memcmp(key, key + 8, 8) == 0) {
        memcpy(card.session + 8, card.session, 8);
    } else {
        memcpy(card.session + 8, rnd_a + 4, 4);
        memcpy(card.session + 12, card.rnd_b + 4, 4);
    }
    card.auth_key = card.auth_no;
    return answer(NULL, 0);
}

static uint8_t cmd_change_key(const uint8_t *f, size_t n)
{
    uint8_t p[24], newkey[16];
    uint8_t *key;
    int no;
    if (n != 26)
        return LENGTH;
    if (card.auth_key < 0)
        return AUTH_ERROR;
    no = f[1];
    key = key_of(no);
    if (key == NULL)
        return NO_SUCH_KEY;
    if (no == 0) {
        if (!(settings_of() & 0x01) || card.auth_key != 0)
            return PERMISSION;
    } else {
        int ck = settings_of() >> 4;
        if (ck == 0xF || (ck == 0xE ? card.auth_key != no
                                    : card.auth_key != ck))
            return PERMISSION;
    }
    memcpy(p, f + 2, 24);
    from_host(card.session, p, 24);
    if (no == card.auth_key) {
        if (!crc_ok(p, 16))
            return INTEGRITY;
        memcpy(newkey, p, 16);
    } else {
        if (!crc_ok(p, 16))
            return INTEGRITY;
        for (int i = 0; i < 16; i++)
            newkey[i] = (uint8_t)(p[i] ^ key[i]);
        if (crc_a(newkey, 16) != (uint16_t)(p[18] | (p[19] << 8)))
            return INTEGRITY;
    }
    memcpy(key, newkey, 16);
    if (no == card.auth_key)
        deauth();
    return OK;
}

static uint8_t cmd_change_settings(const uint8_t *f, size_t n)
{
    uint8_t p[8];
    if (n != 9)
        return LENGTH;
    if (card.auth_key != 0)
        return card.auth_key < 0 ? AUTH_ERROR : PERMISSION;
    if (!(settings_of() & 0x08))
        return PERMISSION;
    memcpy(p, f + 1, 8);
    from_host(card.session, p, 8);
    if (!crc_ok(p, 1))
        return INTEGRITY;
    if (card.sel == NULL)
        card.picc_settings = p[0];
    else
        card.sel->settings = p[0];
    return OK;
}

static uint8_t cmd_create_app(const uint8_t *f, size_t n)
{
    uint32_t aid;
    uint8_t r;
    int slot = -1;
    app_t *a;
    if (n != 6)
        return LENGTH;
    if (card.sel != NULL)
        return PERMISSION;
    if ((r = master_or(0x04)) != OK)
        return r;
    aid = get24(f + 1);
    if (aid == 0 || f[5] == 0 || f[5] > MAX_KEYS)
        return PARAMETER;
    if (find_app(aid) != NULL)
        return DUPLICATE;
    for (int i = 0; i < MAX_APPS && slot < 0; i++)
        if (card.apps[i] == NULL)
            slot = i;
    if (slot < 0)
        return COUNT;
    a = calloc(1, sizeof *a);
    if (a == NULL)
        return OUT_OF_EEPROM;
    a->aid = aid;
    a->settings = f[4];
    a->nkeys = f[5];
    card.apps[slot] = a;
    return OK;
}

static uint8_t cmd_delete_app(const uint8_t *f, size_t n)
{
    app_t **a;
    uint8_t r;
    if (n != 4)
        return LENGTH;
    if (card.sel != NULL)
        return PERMISSION;
    if ((r = master_or(0x04)) != OK)
        return r;
    a = find_app(get24(f + 1));
    if (a == NULL)
        return APP_NOT_FOUND;
    free_app(*a);
    *a = NULL;
    return OK;
}

static uint8_t cmd_app_ids(size_t n)
{
    uint8_t r;
    if (n != 1)
        return LENGTH;
    if (card.sel != NULL)
        return PERMISSION;
    if ((r = master_or(0x02)) != OK)
        return r;
    card.out_len = 0;
    for (int i = 0; i < MAX_APPS; i++)
        if (card.apps[i] != NULL) {
            put24(card.out + card.out_len, card.apps[i]->aid);
            card.out_len += 3;
        }
    /* whole identifiers per frame: 19 in the first, the rest after */
    static const uint8_t cuts[2] = {57, 57};
    return answer(cuts, 2);
}

static uint8_t cmd_select(const uint8_t *f, size_t n)
{
    uint32_t aid;
    app_t **a;
    if (n != 4)
        return LENGTH;
    aid = get24(f + 1);
    a = aid == 0 ? NULL : find_app(aid);
    if (aid != 0 && a == NULL)
        return APP_NOT_FOUND;
    abort_transaction();
    deauth();
    card.sel = a == NULL ? NULL : *a;
    return OK;
}

static uint8_t cmd_format(size_t n)
{
    if (n != 1)
        return LENGTH;
    if (card.sel != NULL)
        return PERMISSION;
    if (card.auth_key != 0)
        return AUTH_ERROR;
    for (int i = 0; i < MAX_APPS; i++)
        if (card.apps[i] != NULL) {
            free_app(card.apps[i]);
            card.apps[i] = NULL;
        }
    return OK;
}

static uint8_t cmd_version(size_t n)
{
    /* hardware, software, then UID, batch number and production week/year */
    static const uint8_t version[28] = {
        0x04, 0x01, 0x01, 0x00, 0x02, 0x18, 0x05,
        0x04, 0x01, 0x01, 0x00, 0x06, 0x18, 0x05,
        0x04, 0x53, 0x6F, 0x66, 0x74, 0x43, 0x64,
        0xBA, 0x7C, 0x40, 0x01, 0x01, 0x26, 0x26};
    static const uint8_t cuts[3] = {7, 7, 14};
    if (n != 1)
        return LENGTH;
    memcpy(card.out, version, sizeof version);
    card.out_len = sizeof version;
    return answer(cuts, 3);
}

/* The part shared by the three create-file commands. */
static uint8_t new_file(uint8_t no, uint8_t comm, file_t **out)
{
    uint8_t r;
    if (card.sel == NULL)
        return PERMISSION;
    if ((r = master_or(0x04)) != OK)
        return r;
    if (no >= MAX_FILES || (comm & ~3u) != 0)
        return PARAMETER;
    if (card.sel->files[no].exists)
        return DUPLICATE;
    *out = &card.sel->files[no];
    return OK;
}

static uint8_t claim(uint32_t bytes)
{
    if (bytes > EEPROM - card.used)
        return OUT_OF_EEPROM;
    card.used += bytes;
    return OK;
}

static uint8_t cmd_create_data(const uint8_t *f, size_t n)
{
    file_t *file;
    uint32_t size;
    uint8_t r;
    if (n != 8)
        return LENGTH;
    if ((r = new_file(f[1], f[2], &file)) != OK)
        return r;
    size = get24(f + 5);
    if (size == 0)
        return PARAMETER;
    if ((r = claim(size)) != OK)
        return r;
    file->data = calloc(size, 1);
    file->exists = 1;
    file->type = f[0] == 0xCD ? T_STD : T_BACKUP;
    file->comm = f[2];
    file->rights = (uint16_t)(f[3] | (f[4] << 8));
    file->size = size;
    return OK;
}

static uint8_t cmd_create_value(const uint8_t *f, size_t n)
{
    file_t *file;
    uint8_t r;
    int32_t lo, hi, v;
    if (n != 18)
        return LENGTH;
    if ((r = new_file(f[1], f[2], &file)) != OK)
        return r;
    lo = get32(f + 5);
    hi = get32(f + 9);
    v = get32(f + 13);
    if (lo > hi || v < lo || v > hi)
        return PARAMETER;
    if ((r = claim(32)) != OK)
        return r;
    file->exists = 1;
    file->type = T_VALUE;
    file->comm = f[2];
    file->rights = (uint16_t)(f[3] | (f[4] << 8));
    file->lower = lo;
    file->upper = hi;
    file->value = v;
    file->lc_enabled = f[17] & 1u;
    return OK;
}

static uint8_t cmd_create_record(const uint8_t *f, size_t n)
{
    file_t *file;
    uint8_t r;
    uint32_t size, max;
    if (n != 11)
        return LENGTH;
    if ((r = new_file(f[1], f[2], &file)) != OK)
        return r;
    size = get24(f + 5);
    max = get24(f + 8);
    if (size == 0 || max == 0 || (f[0] == 0xC0 && max < 2) ||
        size > EEPROM || max > EEPROM)
        return PARAMETER;
    if ((r = claim(size * max)) != OK)
        return r;
    file->records = calloc(max, size);
    file->exists = 1;
    file->type = f[0] == 0xC1 ? T_LINEAR : T_CYCLIC;
    file->comm = f[2];
    file->rights = (uint16_t)(f[3] | (f[4] << 8));
    file->rec_size = size;
    file->max_rec = max;
    return OK;
}

static uint8_t cmd_delete_file(const uint8_t *f, size_t n)
{
    file_t *file;
    uint8_t r;
    if (n != 2)
        return LENGTH;
    if (card.sel == NULL)
        return PERMISSION;
    if ((r = master_or(0x04)) != OK)
        return r;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    card.used -= file_space(file);
    free_file(file);
    return OK;
}

static uint8_t cmd_file_ids(size_t n)
{
    uint8_t r;
    if (n != 1)
        return LENGTH;
    if (card.sel == NULL)
        return PERMISSION;
    if ((r = master_or(0x02)) != OK)
        return r;
    card.out_len = 0;
    for (int i = 0; i < MAX_FILES; i++)
        if (card.sel->files[i].exists)
            card.out[card.out_len++] = (uint8_t)i;
    return answer(NULL, 0);
}

static uint8_t cmd_file_settings(const uint8_t *f, size_t n)
{
    file_t *file;
    uint8_t *o = card.out;
    uint8_t r;
    if (n != 2)
        return LENGTH;
    if (card.sel == NULL)
        return PERMISSION;
    if ((r = master_or(0x02)) != OK)
        return r;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    o[0] = file->type;
    o[1] = file->comm;
    o[2] = (uint8_t)file->rights;
    o[3] = (uint8_t)(file->rights >> 8);
    if (file->type == T_STD || file->type == T_BACKUP) {
        put24(o + 4, file->size);
        card.out_len = 7;
    } else if (file->type == T_VALUE) {
        put32(o + 4, file->lower);
        put32(o + 8, file->upper);
        put32(o + 12, file->lc_value);
        o[16] = file->lc_enabled;
        card.out_len = 17;
    } else {
        put24(o + 4, file->rec_size);
        put24(o + 7, file->max_rec);
        put24(o + 10, file->count);
        card.out_len = 13;
    }
    return answer(NULL, 0);
}

static uint8_t cmd_change_file_settings(const uint8_t *f, size_t n)
{
    file_t *file;
    uint8_t p[8];
    int key;
    if (n < 2)
        return LENGTH;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    key = file->rights & 0xF;
    if (key == 0xF)
        return PERMISSION;
    if (key == 0xE) {
        if (n != 5)
            return LENGTH;
        memcpy(p, f + 2, 3);
    } else {
        if (card.auth_key != key)
            return card.auth_key < 0 ? AUTH_ERROR : PERMISSION;
        if (n != 10)
            return LENGTH;
        memcpy(p, f + 2, 8);
        from_host(card.session, p, 8);
        if (!crc_ok(p, 3))
            return INTEGRITY;
    }
    if ((p[0] & ~3u) != 0)
        return PARAMETER;
    file->comm = p[0];
    file->rights = (uint16_t)(p[1] | (p[2] << 8));
    return OK;
}

static uint8_t cmd_read_data(const uint8_t *f, size_t n)
{
    file_t *file;
    uint32_t off, len;
    int mode;
    uint8_t r;
    const uint8_t *src;
    if (n != 8)
        return LENGTH;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    if (file->type != T_STD && file->type != T_BACKUP)
        return PARAMETER;
    if ((r = access(file, RD, 2, &mode)) != OK)
        return r;
    off = get24(f + 2);
    len = get24(f + 5);
    if (off >= file->size || len > file->size - off)
        return BOUNDARY;
    if (len == 0)
        len = file->size - off;
    /* a backup file shows its committed image until the commit */
    src = file->data;
    secure_out(mode, src + off, len, get24(f + 5) == 0);
    return answer(NULL, 0);
}

static uint8_t cmd_read_records(const uint8_t *f, size_t n)
{
    file_t *file;
    uint32_t off, num, avail;
    int mode;
    uint8_t r;
    if (n != 8)
        return LENGTH;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    if (file->type != T_LINEAR && file->type != T_CYCLIC)
        return PARAMETER;
    if ((r = access(file, RD, 2, &mode)) != OK)
        return r;
    off = get24(f + 2);
    num = get24(f + 5);
    if (off >= file->count)
        return BOUNDARY;
    avail = file->count - off;
    if (num == 0)
        num = avail;
    if (num > avail)
        return BOUNDARY;
    secure_out(mode,
               file->records + (size_t)(avail - num) * file->rec_size,
               (size_t)num * file->rec_size, get24(f + 5) == 0);
    return answer(NULL, 0);
}

/* First frame of WriteData or WriteRecord: checks the request and starts
 * gathering the data. */
static uint8_t cmd_write_start(const uint8_t *f, size_t n)
{
    file_t *file;
    uint32_t off, len, room;
    int mode;
    uint8_t r;
    if (n < 8)
        return LENGTH;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    if (f[0] == 0x3D ? (file->type != T_STD && file->type != T_BACKUP)
                     : (file->type != T_LINEAR && file->type != T_CYCLIC))
        return PARAMETER;
    if ((r = access(file, WR, 2, &mode)) != OK)
        return r;
    off = get24(f + 2);
    len = get24(f + 5);
    room = f[0] == 0x3D ? file->size : file->rec_size;
    if (len == 0 || off >= room || len > room - off)
        return BOUNDARY;
    if (f[0] == 0x3B && file->type == T_LINEAR && file->pending == NULL &&
        !file->clear && file->count == file->max_rec)
        return BOUNDARY;
    memcpy(card.in_hdr, f, 8);
    card.in_want = secured_len(mode, len);
    card.in_len = 0;
    card.pending = P_WRITE;
    return MORE;
}

/* Data of a chained write; runs the write once all bytes are in. */
static uint8_t cmd_write_data(const uint8_t *p, size_t n)
{
    file_t *file = find_file(card.in_hdr[1]);
    uint32_t off = get24(card.in_hdr + 2), len = get24(card.in_hdr + 5);
    int mode;
    uint8_t r;
    if (n > card.in_want - card.in_len) {
        card.pending = P_NONE;
        return LENGTH;
    }
    memcpy(card.in + card.in_len, p, n);
    card.in_len += n;
    if (card.in_len < card.in_want)
        return MORE;
    card.pending = P_NONE;
    (void)access(file, WR, 2, &mode);
    if ((r = secure_in(mode, card.in, len)) != OK)
        return r;
    if (card.in_hdr[0] == 0x3D) {
        uint8_t *dst = file->data;
        if (file->type == T_BACKUP) {
            if (file->shadow == NULL) {
                file->shadow = malloc(file->size);
                if (file->shadow == NULL)
                    return OUT_OF_EEPROM;
                memcpy(file->shadow, file->data, file->size);
            }
            dst = file->shadow;
        }
        memcpy(dst + off, card.in, len);
    } else {
        if (file->pending == NULL) {
            file->pending = calloc(1, file->rec_size);
            if (file->pending == NULL)
                return OUT_OF_EEPROM;
        }
        memcpy(file->pending + off, card.in, len);
    }
    return OK;
}

static uint8_t cmd_get_value(const uint8_t *f, size_t n)
{
    file_t *file;
    uint8_t v[4];
    int mode;
    uint8_t r;
    if (n != 2)
        return LENGTH;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    if (file->type != T_VALUE)
        return PARAMETER;
    if ((r = access(file, ANY, 3, &mode)) != OK)
        return r;
    put32(v, file->value);
    if (mode == COMM_ENC) {
        /* value, its CRC and two zero bytes in one block */
        memcpy(card.out, v, 4);
        put_crc(card.out + 4, v, 4);
        card.out[6] = card.out[7] = 0;
        to_host(card.session, card.out, 8);
        card.out_len = 8;
    } else {
        secure_out(mode, v, 4, 0);
    }
    return answer(NULL, 0);
}

static uint8_t cmd_value(const uint8_t *f, size_t n)
{
    file_t *file;
    uint8_t p[8];
    int mode;
    uint8_t r;
    int64_t amount, now;
    if (n < 2)
        return LENGTH;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    if (file->type != T_VALUE)
        return PARAMETER;
    if (f[0] == 0x0C)
        r = access(file, RWR, 1, &mode);
    else if (f[0] == 0xDC)
        r = access(file, ANY, 3, &mode);
    else
        r = access(file, WR, 2, &mode);
    if (r != OK)
        return r;
    if (n != 2 + (mode == COMM_PLAIN ? 4u : 8u))
        return LENGTH;
    memcpy(p, f + 2, n - 2);
    if (mode == COMM_MAC) {
        if ((r = secure_in(COMM_MAC, p, 4)) != OK)
            return r;
    } else if (mode == COMM_ENC) {
        from_host(card.session, p, 8);
        if (!crc_ok(p, 4) || p[6] != 0 || p[7] != 0)
            return INTEGRITY;
    }
    amount = get32(p);
    if (amount < 0)
        return PARAMETER;
    now = (int64_t)file->value + file->credit - file->debit;
    if (f[0] == 0xDC) {
        if (now - amount < file->lower)
            return BOUNDARY;
        file->debit += amount;
        return OK;
    }
    if (f[0] == 0x1C) {
        if (!file->lc_enabled)
            return PERMISSION;
        if (amount > file->lc_value || file->lc_used)
            return BOUNDARY;
    }
    if (now + amount > file->upper)
        return BOUNDARY;
    file->credit += amount;
    if (f[0] == 0x1C)
        file->lc_used = 1;
    return OK;
}

static uint8_t cmd_clear_records(const uint8_t *f, size_t n)
{
    file_t *file;
    int mode;
    uint8_t r;
    if (n != 2)
        return LENGTH;
    if ((file = find_file(f[1])) == NULL)
        return FILE_NOT_FOUND;
    if (file->type != T_LINEAR && file->type != T_CYCLIC)
        return PARAMETER;
    if ((r = access(file, RWR, 1, &mode)) != OK)
        return r;
    free(file->pending);
    file->pending = NULL;
    file->clear = 1;
    return OK;
}

/* Runs one command frame and returns its status; data for the host is left
 * in card.out. */
static uint8_t run(const uint8_t *f, size_t n)
{
    switch (f[0]) {
    case 0x0A: return cmd_auth(f, n);
    case 0xC4: return cmd_change_key(f, n);
    case 0x54: return cmd_change_settings(f, n);
    case 0x45:
        if (n != 1)
            return LENGTH;
        card.out[0] = settings_of();
        card.out[1] = card.sel == NULL ? 1 : card.sel->nkeys;
        card.out_len = 2;
        return answer(NULL, 0);
    case 0x64: {
        const uint8_t *key;
        if (n != 2)
            return LENGTH;
        if ((key = key_of(f[1])) == NULL)
            return NO_SUCH_KEY;
        card.out[0] = version_of(key);
        card.out_len = 1;
        return answer(NULL, 0);
    }
    case 0xCA: return cmd_create_app(f, n);
    case 0xDA: return cmd_delete_app(f, n);
    case 0x6A: return cmd_app_ids(n);
    case 0x5A: return cmd_select(f, n);
    case 0xFC: return cmd_format(n);
    case 0x60: return cmd_version(n);
    case 0xCD: case 0xCB: return cmd_create_data(f, n);
    case 0xCC: return cmd_create_value(f, n);
    case 0xC1: case 0xC0: return cmd_create_record(f, n);
    case 0xDF: return cmd_delete_file(f, n);
    case 0x6F: return cmd_file_ids(n);
    case 0xF5: return cmd_file_settings(f, n);
    case 0x5F: return cmd_change_file_settings(f, n);
    case 0xBD: return cmd_read_data(f, n);
    case 0xBB: return cmd_read_records(f, n);
    case 0x3D: case 0x3B: {
        uint8_t r = cmd_write_start(f, n);
        return r == MORE ? cmd_write_data(f + 8, n - 8) : r;
    }
    case 0x6C: return cmd_get_value(f, n);
    case 0x0C: case 0xDC: case 0x1C: return cmd_value(f, n);
    case 0xEB: return cmd_clear_records(f, n);
    case 0xC7: return n == 1 ? commit_transaction() : LENGTH;
    case 0xA7:
        if (n != 1)
            return LENGTH;
        abort_transaction();
        return OK;
    default: return ILLEGAL_CMD;
    }
}

/* Writes the next frame of a pending answer. */
static void next_out(uint8_t *recv, uint8_t *recvLen)
{
    size_t part = card.out_len - card.out_pos;
    size_t max = FRAME_OUT;
    if (card.cuts != NULL && card.cut < card.ncuts)
        max = card.cuts[card.cut++];
    if (part > max)
        part = max;
    memcpy(recv + 1, card.out + card.out_pos, part);
    card.out_pos += part;
    recv[0] = card.out_pos < card.out_len ? MORE : OK;
    if (recv[0] == OK)
        card.pending = P_NONE;
    *recvLen = (uint8_t)(part + 1);
}

EXPORT uint8_t RC500USB_DSFBTrans(const uint8_t *send, uint8_t sendLen,
                                  uint8_t *recv, uint8_t *recvLen)
{
    uint8_t st;
    size_t n = sendLen;

    if (!card.ready)
        factory();
    *recvLen = 0;
    if (n == 0)
        return 1; /* nothing to send: a reader failure */

    if (n > FRAME_IN) {
        card.pending = P_NONE;
        st = LENGTH;
    } else if (send[0] == MORE && card.pending == P_OUT) {
        if (n != 1) {
            card.pending = P_NONE;
            st = LENGTH;
        } else {
            next_out(recv, recvLen);
            return 0;
        }
    } else if (send[0] == MORE && card.pending == P_AUTH) {
        st = cmd_auth2(send, n);
    } else if (send[0] == MORE && card.pending == P_WRITE) {
        st = cmd_write_data(send + 1, n - 1);
    } else if (send[0] == MORE) {
        card.pending = P_NONE;
        st = ILLEGAL_CMD;
    } else {
        /* A new command ends whatever exchange was still open. */
        card.pending = P_NONE;
        card.out_len = 0;
        st = run(send, n);
    }

    if (st == OK && card.pending == P_OUT) {
        next_out(recv, recvLen);
        return 0;
    }
    if (st == MORE && card.pending == P_AUTH) {
        recv[0] = MORE;
        memcpy(recv + 1, card.out, 8);
        *recvLen = 9;
        return 0;
    }
    if (st != OK && st != MORE) {
        /* every error ends the authentication */
        card.pending = P_NONE;
        deauth();
    }
    recv[0] = st;
    *recvLen = 1;
    return 0;
}
