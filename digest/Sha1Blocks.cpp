#include "digest/Sha1Blocks.h"

namespace mollwick::sha1 {
namespace {

constexpr std::uint32_t Rol(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t LoadBigEndian(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

}  // namespace

// The message schedule runs in sixteen words, each new word overwriting the one
// sixteen places back (the standard's alternate method), so the workspace never
// holds more than one block's worth.
void CompressPortable(std::uint32_t chain[5], std::uint32_t w[16], const std::uint8_t* data,
                      std::size_t blocks) {
    for (; blocks != 0; --blocks, data += 64) {
        for (int t = 0; t < 16; ++t) {
            w[t] = LoadBigEndian(data + 4 * t);
        }
        std::uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3], e = chain[4];

#define MOLLWICK_SHA1_W(t) \
    (w[(t)&15] = Rol(w[((t) + 13) & 15] ^ w[((t) + 8) & 15] ^ w[((t) + 2) & 15] ^ w[(t)&15], 1))
#define MOLLWICK_SHA1_STEP(t, f, k, wt)                              \
    do {                                                             \
        const std::uint32_t temp = Rol(a, 5) + (f) + e + (k) + (wt); \
        e = d;                                                       \
        d = c;                                                       \
        c = Rol(b, 30);                                              \
        b = a;                                                       \
        a = temp;                                                    \
    } while (0)

        for (int t = 0; t < 16; ++t) {
            MOLLWICK_SHA1_STEP(t, (b & c) | (~b & d), 0x5A827999u, w[t]);
        }
        for (int t = 16; t < 20; ++t) {
            MOLLWICK_SHA1_STEP(t, (b & c) | (~b & d), 0x5A827999u, MOLLWICK_SHA1_W(t));
        }
        for (int t = 20; t < 40; ++t) {
            MOLLWICK_SHA1_STEP(t, b ^ c ^ d, 0x6ED9EBA1u, MOLLWICK_SHA1_W(t));
        }
        for (int t = 40; t < 60; ++t) {
            MOLLWICK_SHA1_STEP(t, (b & c) | (b & d) | (c & d), 0x8F1BBCDCu, MOLLWICK_SHA1_W(t));
        }
        for (int t = 60; t < 80; ++t) {
            MOLLWICK_SHA1_STEP(t, b ^ c ^ d, 0xCA62C1D6u, MOLLWICK_SHA1_W(t));
        }
#undef MOLLWICK_SHA1_STEP
#undef MOLLWICK_SHA1_W

        chain[0] += a;
        chain[1] += b;
        chain[2] += c;
        chain[3] += d;
        chain[4] += e;
    }
}

BlocksFunction ShaExtensionsFunction() {
    return nullptr;
}

BlocksFunction ActiveFunction() {
    static const BlocksFunction chosen = [] {
        const BlocksFunction fast = ShaExtensionsFunction();
        return fast != nullptr ? fast : &CompressPortable;
    }();
    return chosen;
}

}  // namespace mollwick::sha1
