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

// Null when this build or this CPU has no SHA extensions.
BlocksFunction ShaExtensionsFunction();

// The function every context uses: the SHA-extension one when the CPU has it.
BlocksFunction ActiveFunction();

}  // namespace mollwick::sha1
