// A few assertion helpers shared by the card library's test programs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline int g_failures = 0;
inline const char *g_case = "";

inline std::string hex(const Bytes &b)
{
    std::string s;
    char t[4];
    for (uint8_t v : b) {
        std::snprintf(t, sizeof t, "%02X ", v);
        s += t;
    }
    if (!s.empty())
        s.pop_back();
    return s;
}

inline Bytes from_hex(const char *h)
{
    Bytes b;
    unsigned v;
    while (*h) {
        if (*h == ' ') {
            ++h;
            continue;
        }
        std::sscanf(h, "%2x", &v);
        b.push_back(static_cast<uint8_t>(v));
        h += 2;
    }
    return b;
}

#define CHECK(cond)                                                          \
    do {                                                                     \
        if (!(cond)) {                                                       \
            ++g_failures;                                                    \
            std::fprintf(stderr, "%s:%d [%s]: CHECK(%s) failed\n", __FILE__, \
                         __LINE__, g_case, #cond);                           \
        }                                                                    \
    } while (0)

#define CHECK_EQ(a, b)                                                       \
    do {                                                                     \
        long long va_ = (long long)(a), vb_ = (long long)(b);                \
        if (va_ != vb_) {                                                    \
            ++g_failures;                                                    \
            std::fprintf(stderr, "%s:%d [%s]: %s = 0x%llX, expected 0x%llX\n",\
                         __FILE__, __LINE__, g_case, #a, va_, vb_);          \
        }                                                                    \
    } while (0)

#define CHECK_BYTES(a, b)                                                    \
    do {                                                                     \
        Bytes xa_ = (a), xb_ = (b);                                          \
        if (xa_ != xb_) {                                                    \
            ++g_failures;                                                    \
            std::fprintf(stderr, "%s:%d [%s]: %s\n   got      %s\n"          \
                         "   expected %s\n", __FILE__, __LINE__, g_case, #a, \
                         hex(xa_).c_str(), hex(xb_).c_str());                \
        }                                                                    \
    } while (0)

inline int finish(const char *program)
{
    if (g_failures)
        std::fprintf(stderr, "%s: %d check(s) failed\n", program, g_failures);
    else
        std::printf("%s: all checks passed\n", program);
    return g_failures ? 1 : 0;
}
