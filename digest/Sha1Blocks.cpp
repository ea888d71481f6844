#include "digest/Sha1Blocks.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace mollwick::sha1 {
namespace {

inline std::uint32_t LoadBigEndian(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

BlocksFunction g_override = nullptr;

}  // namespace

// The message schedule runs in sixteen words, each new word overwriting the one
// sixteen places back (the standard's alternate method), so the workspace never
// holds more than one block's worth.
//
// Speed: the 80 steps are written out so that the five working variables change
// roles instead of being moved, and the sixteen words live in a local array the
// compiler can keep in registers; the workspace receives them once per call (the
// words of the last block, as the in-place computation would leave them).
void CompressPortable(std::uint32_t chain[5], std::uint32_t schedule[16], const std::uint8_t* data,
                      std::size_t blocks) {
    if (blocks == 0) {
        return;
    }
    std::uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3], e = chain[4];
    std::uint32_t w[16];

#define MOLLWICK_SHA1_LOAD(t) (w[t] = LoadBigEndian(data + 4 * (t)))
#define MOLLWICK_SHA1_NEXT(t) \
    (w[(t)&15] =              \
         std::rotl(w[((t) + 13) & 15] ^ w[((t) + 8) & 15] ^ w[((t) + 2) & 15] ^ w[(t)&15], 1))
    // e += rotl(a, 5) + f(b, c, d) + k + w; b = rotl(b, 30); the caller rotates the
    // names (a, b, c, d, e) -> (e, a, b, c, d) for the next step.
#define MOLLWICK_SHA1_STEP(a, b, c, d, e, f, k, wt) \
    e += std::rotl(a, 5) + (f) + (k) + (wt);        \
    b = std::rotl(b, 30)
#define MOLLWICK_SHA1_CH(b, c, d) ((((c) ^ (d)) & (b)) ^ (d))
#define MOLLWICK_SHA1_PARITY(b, c, d) ((b) ^ (c) ^ (d))
    // Majority as the sum of two disjoint masks: the halves do not wait on each other.
#define MOLLWICK_SHA1_MAJ(b, c, d) (((b) & (c)) + ((d) & ((b) ^ (c))))

#define MOLLWICK_R0(a, b, c, d, e, t) \
    MOLLWICK_SHA1_STEP(a, b, c, d, e, MOLLWICK_SHA1_CH(b, c, d), 0x5A827999u, MOLLWICK_SHA1_LOAD(t))
#define MOLLWICK_R1(a, b, c, d, e, t) \
    MOLLWICK_SHA1_STEP(a, b, c, d, e, MOLLWICK_SHA1_CH(b, c, d), 0x5A827999u, MOLLWICK_SHA1_NEXT(t))
#define MOLLWICK_R2(a, b, c, d, e, t)                                             \
    MOLLWICK_SHA1_STEP(a, b, c, d, e, MOLLWICK_SHA1_PARITY(b, c, d), 0x6ED9EBA1u, \
                       MOLLWICK_SHA1_NEXT(t))
#define MOLLWICK_R3(a, b, c, d, e, t)                                          \
    MOLLWICK_SHA1_STEP(a, b, c, d, e, MOLLWICK_SHA1_MAJ(b, c, d), 0x8F1BBCDCu, \
                       MOLLWICK_SHA1_NEXT(t))
#define MOLLWICK_R4(a, b, c, d, e, t)                                             \
    MOLLWICK_SHA1_STEP(a, b, c, d, e, MOLLWICK_SHA1_PARITY(b, c, d), 0xCA62C1D6u, \
                       MOLLWICK_SHA1_NEXT(t))
    // Five steps bring the names back to where they started.
#define MOLLWICK_FIVE(R, t)    \
    R(a, b, c, d, e, (t));     \
    R(e, a, b, c, d, (t) + 1); \
    R(d, e, a, b, c, (t) + 2); \
    R(c, d, e, a, b, (t) + 3); \
    R(b, c, d, e, a, (t) + 4)

    for (;;) {
        MOLLWICK_FIVE(MOLLWICK_R0, 0);
        MOLLWICK_FIVE(MOLLWICK_R0, 5);
        MOLLWICK_FIVE(MOLLWICK_R0, 10);
        MOLLWICK_R0(a, b, c, d, e, 15);
        MOLLWICK_R1(e, a, b, c, d, 16);
        MOLLWICK_R1(d, e, a, b, c, 17);
        MOLLWICK_R1(c, d, e, a, b, 18);
        MOLLWICK_R1(b, c, d, e, a, 19);
        MOLLWICK_FIVE(MOLLWICK_R2, 20);
        MOLLWICK_FIVE(MOLLWICK_R2, 25);
        MOLLWICK_FIVE(MOLLWICK_R2, 30);
        MOLLWICK_FIVE(MOLLWICK_R2, 35);
        MOLLWICK_FIVE(MOLLWICK_R3, 40);
        MOLLWICK_FIVE(MOLLWICK_R3, 45);
        MOLLWICK_FIVE(MOLLWICK_R3, 50);
        MOLLWICK_FIVE(MOLLWICK_R3, 55);
        MOLLWICK_FIVE(MOLLWICK_R4, 60);
        MOLLWICK_FIVE(MOLLWICK_R4, 65);
        MOLLWICK_FIVE(MOLLWICK_R4, 70);
        MOLLWICK_FIVE(MOLLWICK_R4, 75);

        a = chain[0] += a;
        b = chain[1] += b;
        c = chain[2] += c;
        d = chain[3] += d;
        e = chain[4] += e;
        if (--blocks == 0) {
            break;
        }
        data += 64;
    }
#undef MOLLWICK_FIVE
#undef MOLLWICK_R4
#undef MOLLWICK_R3
#undef MOLLWICK_R2
#undef MOLLWICK_R1
#undef MOLLWICK_R0
#undef MOLLWICK_SHA1_MAJ
#undef MOLLWICK_SHA1_PARITY
#undef MOLLWICK_SHA1_CH
#undef MOLLWICK_SHA1_STEP
#undef MOLLWICK_SHA1_NEXT
#undef MOLLWICK_SHA1_LOAD

    std::memcpy(schedule, w, sizeof w);
}

BlocksFunction ShaExtensionsFunction() {
#if defined(__x86_64__)
    // The SHA instructions themselves, and the SSSE3 byte shuffle and SSE4.1
    // extract the function uses around them.
    static const BlocksFunction detected = []() -> BlocksFunction {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (__get_cpuid_max(0, nullptr) < 7) {
            return nullptr;
        }
        if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0 || (ecx & bit_SSSE3) == 0 ||
            (ecx & bit_SSE4_1) == 0) {
            return nullptr;
        }
        if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0 || (ebx & bit_SHA) == 0) {
            return nullptr;
        }
        return &CompressShaExtensions;
    }();
    return detected;
#else
    return nullptr;
#endif
}

BlocksFunction ActiveFunction() {
    static const BlocksFunction chosen = [] {
        const BlocksFunction fast = ShaExtensionsFunction();
        return fast != nullptr ? fast : &CompressPortable;
    }();
    const BlocksFunction forced = g_override;
    return forced != nullptr ? forced : chosen;
}

ScopedFunctionForTesting::ScopedFunctionForTesting(BlocksFunction function)
    : m_previous(g_override) {
    g_override = function;
}

ScopedFunctionForTesting::~ScopedFunctionForTesting() {
    g_override = m_previous;
}

}  // namespace mollwick::sha1
