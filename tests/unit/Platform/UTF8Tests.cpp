#include <gtest/gtest.h>

#include <string>

#include "Platform/Foundation/UTF8.h"

TEST(UTF8, AcceptsWellFormedText)
{
    for (std::string text : {"", "plain", "é", "€ 密码", "\xF0\x9F\x92\xBE", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(UTF8::isValid(text)) << text;
        EXPECT_EQ(UTF8::decode(text), text);
    }
    std::string withNul("a\0b", 3);
    EXPECT_EQ(UTF8::decode(withNul), withNul);
}

TEST(UTF8, RefusesMalformedBytes)
{
    const char* cases[] = {
        "\xFF",              // never a UTF-8 byte
        "\xC3",              // truncated sequence
        "\xE2\x82",          // truncated sequence
        "\x80",              // lone continuation byte
        "\xC0\xAF",          // overlong "/"
        "\xE0\x80\xAF",      // overlong "/"
        "\xED\xA0\x80",      // UTF-16 surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "ok\xE9",            // Latin-1 "é" after good text
    };
    for (const char* bytes : cases) {
        EXPECT_FALSE(UTF8::isValid(bytes)) << ::testing::PrintToString(bytes);
        EXPECT_EQ(UTF8::decode(bytes), "") << ::testing::PrintToString(bytes);
    }
}

TEST(UTF8, NormalisesToComposedForm)
{
    EXPECT_EQ(UTF8::nfc("e\xCC\x81"), "\xC3\xA9");
    EXPECT_EQ(UTF8::nfc("\xC3\xA9"), "\xC3\xA9");
    EXPECT_EQ(UTF8::nfc("A\xCC\x8A" "B"), "\xC3\x85" "B");
    EXPECT_EQ(UTF8::nfc("bad\xFF"), "bad\xFF");
}
