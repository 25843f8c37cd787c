/* Frames to and from the reader: the single exchange, chained receive and
 * chained send. Every command of the library passes through cc_exchange. */
#include <string.h>

#include "internal.h"
#include "rc500usb.h"

uint8_t cc_exchange(const uint8_t *frame, size_t len, answer_t *ans)
{
    uint8_t got = 0;
    uint8_t r;

    r = RC500USB_DSFBTrans(frame, (uint8_t)len, ans->b, &got);
    if (r != 0)
        return MF3_READER_FAILURE(r);
    if (got == 0)
        return MF3_INTEGRITY_ERROR; /* no status byte at all */
    ans->len = got;
    return MF3_OK;
}

uint8_t cc_command(const uint8_t *frame, size_t len, uint8_t *out,
                   size_t out_len)
{
    answer_t ans;
    uint8_t r = cc_exchange(frame, len, &ans);

    if (r != MF3_OK)
        return r;
    if (ans.b[0] != ST_OK)
        return ans.b[0];
    if ((size_t)ans.len != out_len + 1u)
        return MF3_INTEGRITY_ERROR;
    if (out_len != 0)
        memcpy(out, ans.b + 1, out_len);
    return MF3_OK;
}

uint8_t cc_receive_chain(const uint8_t *frame, size_t len, uint8_t *buf,
                         size_t cap, size_t *total, uint8_t *count,
                         unsigned unit)
{
    static const uint8_t more = ST_MORE;
    answer_t ans;
    size_t fill = 0;

    *total = 0;
    if (count != NULL)
        *count = 0;
    for (;;) {
        uint8_t r = cc_exchange(frame, len, &ans);
        size_t part;

        if (r != MF3_OK)
            return r;
        if (ans.b[0] != ST_OK && ans.b[0] != ST_MORE) {
            /* The failing frame's status stays behind the data collected
             * so far; the buffer has that one spare byte. */
            buf[fill] = ans.b[0];
            return ans.b[0];
        }
        part = (size_t)ans.len - 1u;
        if (part > cap - fill)
            return MF3_INTEGRITY_ERROR; /* more than the caller can take */
        if (ans.b[0] == ST_MORE && part == 0)
            return MF3_INTEGRITY_ERROR; /* would never end */
        memcpy(buf + fill, ans.b + 1, part);
        fill += part;
        *total = fill;
        if (count != NULL)
            *count = (uint8_t)(*count + part / unit);
        if (ans.b[0] == ST_OK)
            return MF3_OK;
        frame = &more;
        len = 1;
    }
}

uint8_t cc_send_chain(const uint8_t header[8], const uint8_t *data, size_t n)
{
    uint8_t frame[FRAME_MAX];
    answer_t ans;
    size_t sent, part, flen;
    int empty_sent = 0;

    memcpy(frame, header, 8);
    part = n < FRAME_MAX - 8u ? n : FRAME_MAX - 8u;
    if (part != 0)
        memcpy(frame + 8, data, part);
    flen = 8 + part;
    sent = part;
    for (;;) {
        uint8_t r = cc_exchange(frame, flen, &ans);

        if (r != MF3_OK)
            return r;
        if (ans.b[0] != ST_MORE) {
            if (ans.b[0] == ST_OK && ans.len != 1)
                return MF3_INTEGRITY_ERROR;
            return ans.b[0];
        }
        if (ans.len != 1)
            return MF3_INTEGRITY_ERROR;
        /* The card asks for more. Once everything is sent it gets one empty
         * continuation frame; a card that still asks after that is left
         * with its own status rather than looping for ever. */
        if (sent == n) {
            if (empty_sent)
                return ST_MORE;
            empty_sent = 1;
        }
        part = n - sent < FRAME_MAX - 1u ? n - sent : FRAME_MAX - 1u;
        frame[0] = ST_MORE;
        if (part != 0)
            memcpy(frame + 1, data + sent, part);
        flen = 1 + part;
        sent += part;
    }
}
