#include "digest/Sha1Context.h"
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "digest/Sha1Blocks.h"
#include "platform/FileReader.h"

namespace {

constexpr std::uint32_t kInitialChain[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u,
                                            0xC3D2E1F0u};

}  // namespace

CSha1Context::CSha1Context() : m_pending{}, m_result{}, m_schedule{} {
    Begin();
}

CSha1Context::~CSha1Context() {
    Begin();
}

void CSha1Context::Begin() {
    std::memcpy(m_chain, kInitialChain, sizeof m_chain);
    m_bitCount[0] = 0;
    m_bitCount[1] = 0;
}

void CSha1Context::TransformBlock(const std::uint8_t* block) {
    TransformBlocks(block, 1);
}

void CSha1Context::TransformBlocks(const std::uint8_t* data, std::size_t blocks) {
    mollwick::sha1::ActiveFunction()(m_chain, m_schedule, data, blocks);
}

void CSha1Context::AddBytes(const std::uint8_t* data, std::uint32_t length) {
    std::uint32_t index = (m_bitCount[0] >> 3) & 63;
    const std::uint32_t bits = length << 3;
    m_bitCount[0] += bits;
    if (m_bitCount[0] < bits) {
        ++m_bitCount[1];
    }
    m_bitCount[1] += length >> 29;

    std::uint32_t i = 0;
    if (index + length > 63) {
        i = 64 - index;
        std::memcpy(m_pending + index, data, i);
        TransformBlock(m_pending);
        // Whole blocks go straight from the caller's memory; only the tail is copied.
        const std::uint32_t whole = (length - i) / 64;
        if (whole != 0) {
            TransformBlocks(data + i, whole);
            i += whole * 64;
        }
        index = 0;
    }
    if (length != i) {
        std::memcpy(m_pending + index, data + i, length - i);
    }
}

void CSha1Context::Finish() {
    std::uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i) {
        const std::uint32_t word = m_bitCount[i < 4 ? 1 : 0];
        lengthBytes[i] = static_cast<std::uint8_t>(word >> ((3 - (i & 3)) * 8));
    }
    const std::uint8_t marker = 0x80;
    AddBytes(&marker, 1);
    const std::uint8_t zero = 0x00;
    while ((m_bitCount[0] & 0x1F8) != 0x1C0) {
        AddBytes(&zero, 1);
    }
    AddBytes(lengthBytes, 8);
    for (int i = 0; i < 20; ++i) {
        m_result[i] = static_cast<std::uint8_t>(m_chain[i >> 2] >> ((3 - (i & 3)) * 8));
    }
    std::memset(lengthBytes, 0, sizeof lengthBytes);
    Wipe();
}

// Leaves nothing derived from the message behind but the digest itself.
void CSha1Context::Wipe() {
    std::memset(m_pending, 0, sizeof m_pending);
    std::memset(m_chain, 0, sizeof m_chain);
    m_bitCount[0] = 0;
    m_bitCount[1] = 0;
    TransformBlock(m_pending);
}

bool CSha1Context::FormatHexText(char* out) const {
    if (out == nullptr) {
        return false;
    }
    FormatDigestText(m_result, out);
    return true;
}

void FormatDigestText(const std::uint8_t* digest, char* out) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = 0; i < 20; ++i) {
        out[2 * i] = kDigits[digest[i] >> 4];
        out[2 * i + 1] = kDigits[digest[i] & 15];
    }
    out[40] = '\0';
}

bool CSha1Context::HashFileContent(const std::string& path, std::uint64_t expectedSize) {
    // The reader refuses FIFOs and devices without blocking on them.
    mollwick::FileReader file(path, expectedSize == kAnySize
                                        ? mollwick::FileReader::Kind::MustBeRegular
                                        : mollwick::FileReader::Kind::LengthKnown);
    if (!file.IsOpen()) {
        return false;
    }
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[kReadPieceSize]);
    if (!buffer) {
        return false;
    }
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = file.Read(buffer.get(), kReadPieceSize);
        if (n < 0) {
            return false;  // a read error: never a digest of part of the file
        }
        total += static_cast<std::uint64_t>(n);
        if (expectedSize != kAnySize && total > expectedSize) {
            return false;  // it grew while read
        }
        if (n > 0) {
            AddBytes(buffer.get(), static_cast<std::uint32_t>(n));
        }
        if (static_cast<std::size_t>(n) < kReadPieceSize) {
            return expectedSize == kAnySize || total == expectedSize;
        }
    }
}

bool CSha1Context::HashNameBytes(const std::string& name) {
    // A name converts when it is ASCII and two-byte UTF-8 sequences led by 0xC2
    // or 0xC3, which are exactly the characters U+0000 to U+00FF.
    std::string bytes;
    bytes.reserve(name.size());
    bool convertible = true;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            bytes.push_back(static_cast<char>(c));
            continue;
        }
        const bool lead = c == 0xC2 || c == 0xC3;
        const bool trail =
            i + 1 < name.size() && (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80;
        if (!lead || !trail) {
            convertible = false;
            break;
        }
        const auto next = static_cast<unsigned char>(name[++i]);
        bytes.push_back(static_cast<char>(((c & 0x03) << 6) | (next & 0x3F)));
    }
    if (!convertible) {
        // A file name never holds a NUL, so this key cannot equal a converted one.
        bytes.assign(1, '\0');
        bytes += name;
    }
    AddBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()),
             static_cast<std::uint32_t>(bytes.size()));
    return true;
}
