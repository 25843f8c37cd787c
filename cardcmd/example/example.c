/*
 * A short walk through the card command library against the software card:
 * authenticate with the card's default key, create an application with a
 * value file, credit it, commit, and read the value back. Each step prints
 * its result; the program exits 0 when all of them succeed.
 */
#include <stdio.h>
#include <string.h>

#include "cardcmd.h"
#include "rc500usb.h"

static int failed;

static uint8_t step(const char *what, uint8_t result)
{
    printf("%-46s -> 0x%02X %s\n", what, result, cardcmd_result_text(result));
    if (result != MF3_OK)
        failed = 1;
    return result;
}

int main(void)
{
    const uint8_t default_key[16] = {0};  /* factory key: all zero, DES */
    uint8_t session[16];
    int32_t value = 0;
    const uint8_t app = 0x01, file = 0x00;

    softcard_reset(); /* a fresh software card in the field */

    step("authenticate with card master key 0", MF3_Authkey(0, default_key,
                                                             session));
    /* key settings 0x0F: keys and settings changeable, free listing and
     * free file creation; 2 keys in the application */
    step("create application 1 (AID 0x010000)",
         MF3_CreateApplication(app, 0x0F, 2));
    step("select application 1", MF3_SelectApplication(app));
    step("authenticate with application key 0",
         MF3_Authkey(0, default_key, session));
    /* enciphered value file, every access right with key 0, limits 0 to
     * 100000, starting at 0, no limited credit */
    step("create enciphered value file 0 (0 .. 100000)",
         MF3_CreateValueFile(file, 0x03, 0x0000, 0, 100000, 0, 0));
    step("credit 2500 (enciphered)",
         MF3_Value(3, MF3_CMD_CREDIT, file, 2500, session));
    step("commit the transaction", MF3_Transaction(MF3_CMD_COMMIT));
    if (step("read the value back (enciphered)",
             MF3_GetValue(3, file, &value, session)) == MF3_OK)
        printf("value on the card: %ld\n", (long)value);

    puts(failed ? "example failed" : "example done");
    return failed ? 1 : 0;
}
