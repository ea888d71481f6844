#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "digest/Sha1Blocks.h"
#include "digest/Sha1Context.h"

namespace {

using mollwick::sha1::BlocksFunction;
using mollwick::sha1::ScopedFunctionForTesting;

const std::uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// The independent oracle, as upper-case hex text.
std::string OracleHex(const std::string& message) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EXPECT_EQ(EVP_Digest(message.data(), message.size(), md, &size, EVP_sha1(), nullptr), 1);
    std::string text;
    char pair[3];
    for (unsigned int i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02X", md[i]);
        text += pair;
    }
    return text;
}

std::string HexText(const CSha1Context& ctx) {
    char text[CSha1Context::kHexTextSize];
    EXPECT_TRUE(ctx.FormatHexText(text));
    return text;
}

std::string Digest(const std::string& message) {
    CSha1Context ctx;
    ctx.Begin();
    ctx.AddBytes(Bytes(message), static_cast<std::uint32_t>(message.size()));
    ctx.Finish();
    return HexText(ctx);
}

std::string RandomBytes(std::mt19937& rng, std::size_t size) {
    std::string s(size, '\0');
    for (char& c : s) {
        c = static_cast<char>(rng() & 0xFF);
    }
    return s;
}

// ---------------------------------------------------------------------------
// Every message-level test runs once per block function.

struct FunctionCase {
    const char* name;
    BlocksFunction (*get)();
};

void PrintTo(const FunctionCase& c, std::ostream* os) {
    *os << c.name;
}

BlocksFunction Portable() {
    return &mollwick::sha1::CompressPortable;
}

const FunctionCase kFunctions[] = {
    {"Portable", &Portable},
    {"ShaExtensions", &mollwick::sha1::ShaExtensionsFunction},
};

class Sha1Function : public testing::TestWithParam<FunctionCase> {
protected:
    void SetUp() override {
        m_function = GetParam().get();
        if (m_function == nullptr) {
            GTEST_SKIP() << "this CPU has no SHA extensions";
        }
        m_scope.emplace(m_function);
    }

    BlocksFunction m_function = nullptr;
    std::optional<ScopedFunctionForTesting> m_scope;
};

TEST_P(Sha1Function, StandardVectors) {
    struct Case {
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Digest(c.message), c.digest) << c.message.size() << " bytes";
    }
}

// Lengths around the point where the length field no longer fits the last block,
// and around one read piece.
TEST_P(Sha1Function, PaddingBoundaries) {
    std::mt19937 rng(55);
    const std::size_t piece = CSha1Context::kReadPieceSize;
    for (std::size_t length : {std::size_t{1}, std::size_t{55}, std::size_t{56}, std::size_t{63},
                               std::size_t{64}, std::size_t{65}, std::size_t{119}, std::size_t{120},
                               std::size_t{128}, piece - 1, piece, piece + 1}) {
        const std::string message = RandomBytes(rng, length);
        EXPECT_EQ(Digest(message), OracleHex(message)) << length << " bytes";
    }
}

// One context, reused as the worker reuses it, fed each message in pieces of
// awkward sizes; every digest must equal the one-shot oracle.
TEST_P(Sha1Function, RandomSplitsMatchOracle) {
    const unsigned seed = 20240611;
    std::mt19937 rng(seed);
    const std::uint32_t piece = CSha1Context::kReadPieceSize;
    const std::uint32_t sizes[] = {1, 63, 64, 65, piece};
    CSha1Context ctx;
    for (int round = 0; round < 24; ++round) {
        const std::size_t length = rng() % (3 * piece);
        const std::string message = RandomBytes(rng, length);
        ctx.Begin();
        std::size_t at = 0;
        std::vector<std::uint32_t> splits;
        while (at < length) {
            std::uint32_t n = rng() % 3 == 0 ? static_cast<std::uint32_t>(rng() % 200000)
                                             : sizes[rng() % std::size(sizes)];
            n = static_cast<std::uint32_t>(std::min<std::size_t>(n, length - at));
            ctx.AddBytes(Bytes(message) + at, n);
            splits.push_back(n);
            at += n;
        }
        ctx.Finish();
        ASSERT_EQ(HexText(ctx), OracleHex(message))
            << "seed " << seed << ", round " << round << ", " << length << " bytes in "
            << splits.size() << " pieces";
    }
}

// Finish must leave nothing of the message behind: its last transform runs on a
// zeroed chain and a zeroed block. A recording function sees what it is handed.
struct Recorder {
    struct Call {
        std::array<std::uint32_t, 5> chainIn;
        std::array<std::uint8_t, 64> lastBlock;
    };
    static inline BlocksFunction inner = nullptr;
    static inline std::vector<Call> calls;
    static void Compress(std::uint32_t chain[5], std::uint32_t schedule[16],
                         const std::uint8_t* data, std::size_t blocks) {
        Call call;
        std::memcpy(call.chainIn.data(), chain, sizeof call.chainIn);
        std::memcpy(call.lastBlock.data(), data + 64 * (blocks - 1), 64);
        calls.push_back(call);
        inner(chain, schedule, data, blocks);
    }
};

TEST_P(Sha1Function, FinishWipesTheWorkingState) {
    Recorder::inner = m_function;
    Recorder::calls.clear();
    ScopedFunctionForTesting record(&Recorder::Compress);
    CSha1Context ctx;
    ctx.Begin();
    const std::string message(100, 'x');
    ctx.AddBytes(Bytes(message), static_cast<std::uint32_t>(message.size()));
    ctx.Finish();
    EXPECT_EQ(HexText(ctx), OracleHex(message));
    ASSERT_FALSE(Recorder::calls.empty());
    EXPECT_EQ(Recorder::calls.back().chainIn, (std::array<std::uint32_t, 5>{}));
    EXPECT_EQ(Recorder::calls.back().lastBlock, (std::array<std::uint8_t, 64>{}));

    // Finish again without Begin: the padded block's length field (its last eight
    // bytes) shows whether the bit count was cleared.
    Recorder::calls.clear();
    ctx.Finish();
    ASSERT_EQ(Recorder::calls.size(), 2u);
    std::array<std::uint8_t, 64> emptyMessageBlock{};
    emptyMessageBlock[0] = 0x80;
    EXPECT_EQ(Recorder::calls[0].lastBlock, emptyMessageBlock);
}

INSTANTIATE_TEST_SUITE_P(Sha1, Sha1Function, testing::ValuesIn(kFunctions),
                         [](const testing::TestParamInfo<FunctionCase>& param) {
                             return std::string(param.param.name);
                         });

// The two block functions, called directly from the same random state, end in the
// same chain and the same workspace.
TEST(Sha1Blocks, PortableAndShaExtensionsAgree) {
    const BlocksFunction fast = mollwick::sha1::ShaExtensionsFunction();
    if (fast == nullptr) {
        GTEST_SKIP() << "this CPU has no SHA extensions";
    }
    std::mt19937 rng(7);
    for (std::size_t blocks : {1, 2, 3, 17, 100}) {
        const std::string data = RandomBytes(rng, 64 * blocks);
        std::uint32_t chainA[5], scheduleA[16];
        for (auto& word : chainA) {
            word = rng();
        }
        for (auto& word : scheduleA) {
            word = rng();
        }
        std::uint32_t chainB[5], scheduleB[16];
        std::memcpy(chainB, chainA, sizeof chainA);
        std::memcpy(scheduleB, scheduleA, sizeof scheduleA);
        mollwick::sha1::CompressPortable(chainA, scheduleA, Bytes(data), blocks);
        fast(chainB, scheduleB, Bytes(data), blocks);
        EXPECT_EQ(0, std::memcmp(chainA, chainB, sizeof chainA)) << blocks << " blocks";
        EXPECT_EQ(0, std::memcmp(scheduleA, scheduleB, sizeof scheduleA)) << blocks << " blocks";
    }
}

// ---------------------------------------------------------------------------
// Digest text.

TEST(Sha1Text, LeadingZeroIsKeptAndTextIsFortyUpperCaseDigits) {
    // Find a short message whose digest starts with a byte below 0x10.
    std::string message;
    for (int i = 0;; ++i) {
        message = std::to_string(i);
        if (OracleHex(message)[0] == '0') {
            break;
        }
    }
    const std::string text = Digest(message);
    EXPECT_EQ(text, OracleHex(message));
    ASSERT_EQ(text.size(), 40u);
    EXPECT_EQ(text[0], '0');
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
}

TEST(Sha1Text, NullBufferIsRefused) {
    CSha1Context ctx;
    EXPECT_FALSE(ctx.FormatHexText(nullptr));
}

// ---------------------------------------------------------------------------
// Names: UTF-8 in, ISO 8859-1 bytes hashed; anything else hashed as 0x00 followed
// by the name's own bytes.

std::string NameKey(const std::string& name) {
    CSha1Context ctx;
    ctx.Begin();
    EXPECT_TRUE(ctx.HashNameBytes(name));
    ctx.Finish();
    return HexText(ctx);
}

TEST(Sha1Name, HashedAsLatin1OrMarkedRawBytes) {
    using namespace std::string_literals;
    struct Case {
        const char* what;
        std::string name;
        std::string hashedBytes;
    };
    const Case cases[] = {
        {"ASCII", "IMG_0001.JPG", "IMG_0001.JPG"},
        {"empty", "", ""},
        {"accented Latin", "Caf\xC3\xA9 cr\xC3\xA8me.txt", "Caf\xE9 cr\xE8me.txt"},
        {"U+0080 and U+00FF", "\xC2\x80\xC3\xBF", "\x80\xFF"},
        {"U+0100", "\xC4\x80.txt", "\0\xC4\x80.txt"s},
        {"euro sign", "\xE2\x82\xAC", "\0\xE2\x82\xAC"s},
        {"Latin-1 bytes, not UTF-8", "\xE9t\xE9", "\0\xE9t\xE9"s},
        {"truncated sequence", "a\xC3", "\0a\xC3"s},
        {"lead without continuation", "\xC3(", "\0\xC3("s},
        {"overlong slash", "\xC0\xAF", "\0\xC0\xAF"s},
        {"overlong e-acute", "\xE0\x83\xA9", "\0\xE0\x83\xA9"s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NameKey(c.name), OracleHex(c.hashedBytes)) << c.what;
    }
}

TEST(Sha1Name, LetterCaseGivesDifferentKeys) {
    EXPECT_NE(NameKey("report.txt"), NameKey("Report.txt"));
    EXPECT_NE(NameKey("\xC3\xA9t\xC3\xA9"), NameKey("\xC3\x89T\xC3\x89"));  // été, ÉTÉ
}

// ---------------------------------------------------------------------------
// Files, in a fresh temporary folder per test.

class Sha1File : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "mollwick-sha1-XXXXXX");
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
        return path;
    }

    // The key of the file, or "" when hashing refused it.
    static std::string FileKey(const std::string& path) {
        CSha1Context ctx;
        ctx.Begin();
        if (!ctx.HashFileContent(path)) {
            return "";
        }
        ctx.Finish();
        return HexText(ctx);
    }

    std::filesystem::path m_dir;
};

TEST_F(Sha1File, ContentMatchesOracle) {
    std::mt19937 rng(3);
    const std::size_t piece = CSha1Context::kReadPieceSize;
    // Empty: the first read meets the end. Whole pieces: the last read returns 0.
    for (std::size_t size :
         {std::size_t{0}, std::size_t{1}, piece - 1, piece, 2 * piece, 2 * piece + 65}) {
        const std::string content = RandomBytes(rng, size);
        EXPECT_EQ(FileKey(Write("f" + std::to_string(size), content)), OracleHex(content))
            << size << " bytes";
    }
}

TEST_F(Sha1File, RefusesWhatIsNotARegularFile) {
    EXPECT_EQ(FileKey((m_dir / "missing").string()), "");
    EXPECT_EQ(FileKey(m_dir.string()), "");
}

// A FIFO with no writer would block an ordinary open or read for ever.
TEST_F(Sha1File, RefusesFifoWithoutWaiting) {
    const std::string fifo = (m_dir / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto result = std::async(std::launch::async, [&fifo] { return FileKey(fifo); });
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "hashing a FIFO did not return";
        // Unblock it: a writer that closes at once gives the reader its end.
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    EXPECT_EQ(result.get(), "");
}

}  // namespace
