#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// SHA-1 (FIPS PUB 180-4) as the search keys need it: one context per worker,
// reset with Begin before each file and reused, never copied.
class CSha1Context {
public:
    CSha1Context();
    ~CSha1Context();
    CSha1Context(const CSha1Context&) = delete;
    CSha1Context& operator=(const CSha1Context&) = delete;

    void Begin();
    void AddBytes(const std::uint8_t* data, std::uint32_t length);
    void TransformBlock(const std::uint8_t* block);
    void Finish();
    // Writes the 40 upper-case hex digits of the last digest and a NUL into out,
    // which holds at least 41 characters. False only when out is null.
    bool FormatHexText(char* out) const;

    // Adds the whole content of the regular file at path. False when it cannot be
    // opened, is not a regular file, or cannot be read to its end, and when an
    // expected size is given and the file no longer has it (it changed under us).
    static constexpr std::uint64_t kAnySize = ~std::uint64_t{0};
    bool HashFileContent(const std::string& path, std::uint64_t expectedSize = kAnySize);
    // Adds the name as ISO 8859-1 bytes. A name that has no such form (a
    // character above U+00FF, or bytes that are not UTF-8) is added as one 0x00
    // byte followed by its own bytes, so it still gets a key of its own.
    bool HashNameBytes(const std::string& name);

    const std::uint8_t* Result() const { return m_result; }

    static constexpr std::size_t kReadPieceSize = 524800;  // 0x80200
    static constexpr std::size_t kHexTextSize = 41;

private:
    void TransformBlocks(const std::uint8_t* data, std::size_t blocks);
    void Wipe();

    std::uint32_t m_chain[5];
    std::uint32_t m_bitCount[2];
    std::uint8_t m_pending[64];
    std::uint8_t m_result[20];
    std::uint32_t m_schedule[16];
};

// The text form of a 20-byte digest: 40 upper-case hex digits and a NUL, into
// a buffer of at least 41 characters.
void FormatDigestText(const std::uint8_t* digest, char* out);
