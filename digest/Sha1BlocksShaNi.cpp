// Built with -msse4.1 -mssse3 -msha (digest/CMakeLists.txt). Nothing else may live
// in this file: code here can only run once the CPU is known to have those, which
// ShaExtensionsFunction checks before handing this function out.
#include "digest/Sha1Blocks.h"

#if defined(__x86_64__)

#include <immintrin.h>

namespace mollwick::sha1 {

// Register layout: the SHA instructions keep A (or the first schedule word of a
// group of four) in the highest lane, so the chain and each 16-byte piece of the
// message are reversed on the way in and out.
void CompressShaExtensions(std::uint32_t chain[5], std::uint32_t schedule[16],
                           const std::uint8_t* data, std::size_t blocks) {
    if (blocks == 0) {
        return;
    }
    // Reverses all sixteen bytes: big-endian words land byte-swapped, word 0 on top.
    const __m128i reverseBytes = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);

    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(chain)), 0x1B);
    __m128i e = _mm_set_epi32(static_cast<int>(chain[4]), 0, 0, 0);
    __m128i m0, m1, m2, m3;

    // One group of four steps with E (plus the group's schedule words) in eIn.
    // The incoming A is kept in eOut: four steps later it is E, once sha1nexte
    // has rotated it.
#define MOLLWICK_SHA1_ROUNDS(eIn, eOut, func) \
    eOut = abcd;                              \
    abcd = _mm_sha1rnds4_epu32(abcd, eIn, func)

    for (; blocks != 0; --blocks, data += 64) {
        const __m128i abcdSaved = abcd;
        const __m128i eSaved = e;
        __m128i e0, e1;

        m0 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), reverseBytes);
        m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)),
                              reverseBytes);
        m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32)),
                              reverseBytes);
        m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48)),
                              reverseBytes);

        // Steps 0-3: E enters by a plain add; every later group uses sha1nexte.
        e0 = _mm_add_epi32(e, m0);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 0);
        // Steps 4-7.
        e1 = _mm_sha1nexte_epu32(e1, m1);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 0);
        m0 = _mm_sha1msg1_epu32(m0, m1);
        // Steps 8-11.
        e0 = _mm_sha1nexte_epu32(e0, m2);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 0);
        m1 = _mm_sha1msg1_epu32(m1, m2);
        m0 = _mm_xor_si128(m0, m2);

        // From here on each group finishes the words of the next group (sha1msg2),
        // adds w[t-8] into the group after it (xor) and starts the one after that
        // (sha1msg1); the four registers rotate through the roles.

        // Steps 12-15.
        e1 = _mm_sha1nexte_epu32(e1, m3);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 0);
        m0 = _mm_sha1msg2_epu32(m0, m3);  // words 16-19
        m2 = _mm_sha1msg1_epu32(m2, m3);
        m1 = _mm_xor_si128(m1, m3);
        // Steps 16-19.
        e0 = _mm_sha1nexte_epu32(e0, m0);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 0);
        m1 = _mm_sha1msg2_epu32(m1, m0);  // words 20-23
        m3 = _mm_sha1msg1_epu32(m3, m0);
        m2 = _mm_xor_si128(m2, m0);
        // Steps 20-23.
        e1 = _mm_sha1nexte_epu32(e1, m1);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 1);
        m2 = _mm_sha1msg2_epu32(m2, m1);  // words 24-27
        m0 = _mm_sha1msg1_epu32(m0, m1);
        m3 = _mm_xor_si128(m3, m1);
        // Steps 24-27.
        e0 = _mm_sha1nexte_epu32(e0, m2);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 1);
        m3 = _mm_sha1msg2_epu32(m3, m2);  // words 28-31
        m1 = _mm_sha1msg1_epu32(m1, m2);
        m0 = _mm_xor_si128(m0, m2);
        // Steps 28-31.
        e1 = _mm_sha1nexte_epu32(e1, m3);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 1);
        m0 = _mm_sha1msg2_epu32(m0, m3);  // words 32-35
        m2 = _mm_sha1msg1_epu32(m2, m3);
        m1 = _mm_xor_si128(m1, m3);
        // Steps 32-35.
        e0 = _mm_sha1nexte_epu32(e0, m0);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 1);
        m1 = _mm_sha1msg2_epu32(m1, m0);  // words 36-39
        m3 = _mm_sha1msg1_epu32(m3, m0);
        m2 = _mm_xor_si128(m2, m0);
        // Steps 36-39.
        e1 = _mm_sha1nexte_epu32(e1, m1);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 1);
        m2 = _mm_sha1msg2_epu32(m2, m1);  // words 40-43
        m0 = _mm_sha1msg1_epu32(m0, m1);
        m3 = _mm_xor_si128(m3, m1);
        // Steps 40-43.
        e0 = _mm_sha1nexte_epu32(e0, m2);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 2);
        m3 = _mm_sha1msg2_epu32(m3, m2);  // words 44-47
        m1 = _mm_sha1msg1_epu32(m1, m2);
        m0 = _mm_xor_si128(m0, m2);
        // Steps 44-47.
        e1 = _mm_sha1nexte_epu32(e1, m3);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 2);
        m0 = _mm_sha1msg2_epu32(m0, m3);  // words 48-51
        m2 = _mm_sha1msg1_epu32(m2, m3);
        m1 = _mm_xor_si128(m1, m3);
        // Steps 48-51.
        e0 = _mm_sha1nexte_epu32(e0, m0);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 2);
        m1 = _mm_sha1msg2_epu32(m1, m0);  // words 52-55
        m3 = _mm_sha1msg1_epu32(m3, m0);
        m2 = _mm_xor_si128(m2, m0);
        // Steps 52-55.
        e1 = _mm_sha1nexte_epu32(e1, m1);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 2);
        m2 = _mm_sha1msg2_epu32(m2, m1);  // words 56-59
        m0 = _mm_sha1msg1_epu32(m0, m1);
        m3 = _mm_xor_si128(m3, m1);
        // Steps 56-59.
        e0 = _mm_sha1nexte_epu32(e0, m2);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 2);
        m3 = _mm_sha1msg2_epu32(m3, m2);  // words 60-63
        m1 = _mm_sha1msg1_epu32(m1, m2);
        m0 = _mm_xor_si128(m0, m2);
        // Steps 60-63.
        e1 = _mm_sha1nexte_epu32(e1, m3);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 3);
        m0 = _mm_sha1msg2_epu32(m0, m3);  // words 64-67
        m2 = _mm_sha1msg1_epu32(m2, m3);
        m1 = _mm_xor_si128(m1, m3);
        // Steps 64-67.
        e0 = _mm_sha1nexte_epu32(e0, m0);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 3);
        m1 = _mm_sha1msg2_epu32(m1, m0);  // words 68-71
        m3 = _mm_sha1msg1_epu32(m3, m0);
        m2 = _mm_xor_si128(m2, m0);
        // Steps 68-71.
        e1 = _mm_sha1nexte_epu32(e1, m1);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 3);
        m2 = _mm_sha1msg2_epu32(m2, m1);  // words 72-75
        m3 = _mm_xor_si128(m3, m1);
        // Steps 72-75.
        e0 = _mm_sha1nexte_epu32(e0, m2);
        MOLLWICK_SHA1_ROUNDS(e0, e1, 3);
        m3 = _mm_sha1msg2_epu32(m3, m2);  // words 76-79
        // Steps 76-79.
        e1 = _mm_sha1nexte_epu32(e1, m3);
        MOLLWICK_SHA1_ROUNDS(e1, e0, 3);

        // E after step 79 is A from before step 76, rotated: sha1nexte adds it in.
        e = _mm_sha1nexte_epu32(e0, eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }
#undef MOLLWICK_SHA1_ROUNDS

    _mm_storeu_si128(reinterpret_cast<__m128i*>(chain), _mm_shuffle_epi32(abcd, 0x1B));
    chain[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));

    // Leave words 64-79 of the last block in the workspace, in the slots the
    // portable function leaves them in, so both functions end in the same state.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(schedule), _mm_shuffle_epi32(m0, 0x1B));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(schedule + 4), _mm_shuffle_epi32(m1, 0x1B));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(schedule + 8), _mm_shuffle_epi32(m2, 0x1B));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(schedule + 12), _mm_shuffle_epi32(m3, 0x1B));
}

}  // namespace mollwick::sha1

#endif  // __x86_64__
