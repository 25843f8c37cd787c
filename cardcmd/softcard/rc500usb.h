/*
 * librc500usb: the reader library the card command library talks through.
 * This build of it is a software DESFire card held in the process's memory,
 * for tests and demonstrations; a bridge to a real reader can take its place
 * under the same name.
 */
#ifndef CARDCMD_RC500USB_H
#define CARDCMD_RC500USB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Sends `sendLen` bytes of one native command frame to the card and writes
 * the card's answer frame (status byte first) to `recv`, its length to
 * `*recvLen`. `recv` must hold 256 bytes. Returns 0 when the card answered,
 * otherwise a non-zero reader failure code. */
uint8_t RC500USB_DSFBTrans(const uint8_t *send, uint8_t sendLen,
                           uint8_t *recv, uint8_t *recvLen);

/* Software card only: back to the factory state (card master key all zero,
 * DES; key settings 0x0F; no applications). */
void softcard_reset(void);
/* Software card only: the card leaves and re-enters the field: the card
 * level is selected, authentication and open transactions are lost. */
void softcard_reselect(void);

#ifdef __cplusplus
}
#endif

#endif
