// The cipher library against published known-answer vectors (FIPS 81,
// NIST SP 800-17 and the classic DES worked examples), both directions,
// in place, and with the all-zero key that Nettle calls weak.
#include "check.h"
#include "descipher.h"

#include <cstring>

namespace {

struct Vector {
    const char *name, *key, *plain, *cipher;
};

const Vector single_vectors[] = {
    {"FIPS 81 'Now is t'", "0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"worked example", "133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"all-zero key", "0000000000000000", "0000000000000000", "8CA64DE9C1B123A7"},
    {"all-one key", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "7359B2163E4EDC58"},
    {"SP 800-17 variable plaintext", "0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
};

const Vector triple_vectors[] = {
    {"two-key", "0123456789ABCDEFFEDCBA9876543210", "0123456789ABCDE7", "7F1D0A77826B8AFF"},
    // equal halves: the same as single DES with K1
    {"all-zero key", "00000000000000000000000000000000", "0000000000000000", "8CA64DE9C1B123A7"},
    {"equal halves", "0123456789ABCDEF0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
};

using Fn = int (*)(int, const uint8_t *, const uint8_t *, uint8_t *);

void run(Fn fn, const Vector *vs, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        g_case = vs[i].name;
        Bytes key = from_hex(vs[i].key), plain = from_hex(vs[i].plain),
              cipher = from_hex(vs[i].cipher), out(8);
        CHECK_EQ(fn(DES_MODE_ENCIPHER, plain.data(), key.data(), out.data()), 0);
        CHECK_BYTES(out, cipher);
        CHECK_EQ(fn(DES_MODE_DECIPHER, cipher.data(), key.data(), out.data()), 0);
        CHECK_BYTES(out, plain);
        // in place
        Bytes io = plain;
        fn(DES_MODE_ENCIPHER, io.data(), key.data(), io.data());
        CHECK_BYTES(io, cipher);
        fn(DES_MODE_DECIPHER, io.data(), key.data(), io.data());
        CHECK_BYTES(io, plain);
    }
}

} // namespace

int main()
{
    run(single_DES, single_vectors, std::size(single_vectors));
    run(triple_DES, triple_vectors, std::size(triple_vectors));

    g_case = "unknown mode";
    Bytes key(16, 0x11), in(8, 0x22);
    for (int mode : {0, 1, 4}) {
        Bytes out(8, 0xEE);
        CHECK_EQ(single_DES(mode, in.data(), key.data(), out.data()), -1);
        CHECK_EQ(triple_DES(mode, in.data(), key.data(), out.data()), -1);
        CHECK_BYTES(out, Bytes(8, 0xEE));
    }
    return finish("cardcmd_test_des");
}
