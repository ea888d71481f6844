#include <gtest/gtest.h>

#include <string>

#include "digest/Sha1Context.h"

namespace {

std::string Digest(const std::string& message) {
    CSha1Context ctx;
    ctx.Begin();
    ctx.AddBytes(reinterpret_cast<const std::uint8_t*>(message.data()),
                 static_cast<std::uint32_t>(message.size()));
    ctx.Finish();
    char text[CSha1Context::kHexTextSize];
    EXPECT_TRUE(ctx.FormatHexText(text));
    return text;
}

TEST(Sha1Context, StandardVectors) {
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

}  // namespace
