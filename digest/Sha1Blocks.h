#pragma once

#include <cstddef>
#include <cstdint>

// The SHA-1 compression function in two versions with one signature: a portable
// one and one for the CPU's SHA extensions. The context calls whichever was
// chosen once at start-up; tests call both directly.
namespace mollwick::sha1 {

// Compresses `blocks` consecutive 64-byte blocks from data into chain. schedule
// is the sixteen-word workspace of the message schedule.
using BlocksFunction = void (*)(std::uint32_t chain[5], std::uint32_t schedule[16],
                                const std::uint8_t* data, std::size_t blocks);

void CompressPortable(std::uint32_t chain[5], std::uint32_t schedule[16], const std::uint8_t* data,
                      std::size_t blocks);

#if defined(__x86_64__)
// Needs SHA, SSSE3 and SSE4.1: reach it through ShaExtensionsFunction, which
// checks the CPU once.
void CompressShaExtensions(std::uint32_t chain[5], std::uint32_t schedule[16],
                           const std::uint8_t* data, std::size_t blocks);
#endif

// Null when this build or this CPU has no SHA extensions.
BlocksFunction ShaExtensionsFunction();

// The function every context uses: the SHA-extension one when the CPU has it.
BlocksFunction ActiveFunction();

// For tests: while one of these lives, ActiveFunction returns `function`, so a
// context can be run with either version. Not for use while another thread
// hashes.
class ScopedFunctionForTesting {
public:
    explicit ScopedFunctionForTesting(BlocksFunction function);
    ~ScopedFunctionForTesting();
    ScopedFunctionForTesting(const ScopedFunctionForTesting&) = delete;
    ScopedFunctionForTesting& operator=(const ScopedFunctionForTesting&) = delete;

private:
    BlocksFunction m_previous;
};

}  // namespace mollwick::sha1
