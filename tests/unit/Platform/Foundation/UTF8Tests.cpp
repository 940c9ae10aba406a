#include <gtest/gtest.h>

#include "Platform/Foundation/UTF8.h"

TEST(UTF8, AcceptsWellFormedTextAndRefusesMalformedBytes)
{
    for (std::string text : {"", "plain", "é € 密码", "\xF0\x9F\x92\xBE", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(UTF8::isValid(text)) << text;
        EXPECT_EQ(UTF8::decode(text), text);
    }
    EXPECT_EQ(UTF8::decode(std::string("a\0b", 3)), std::string("a\0b", 3));
    // Never a UTF-8 byte, truncated, lone continuation, overlong "/", surrogate,
    // beyond U+10FFFF, Latin-1 after good text.
    for (const char* bytes : {"\xFF", "\xC3", "\xE2\x82", "\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                              "\xF4\x90\x80\x80", "ok\xE9"}) {
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

TEST(UTF8, CountsAndCutsBetweenUserPerceivedCharacters)
{
    const std::pair<std::string, size_t> cases[] = {
        {"", 0},
        {"abcd", 4},
        {"密码密码", 4},
        {"cafe\u0301", 4},                                  // e + combining acute
        {"\U0001F1E8\U0001F1F3", 1},                         // a flag: two regional indicators
        {"\U0001F468\u200D\U0001F469\u200D\U0001F467", 1},   // a family joined by ZWJ
        {"\r\n", 1},
        {"ok\xFF\xFE", 4},                                   // stray bytes count one each
    };
    for (const auto& [text, count] : cases)
        EXPECT_EQ(UTF8::graphemeCount(text), count) << ::testing::PrintToString(text);
    // A prefix that fits never ends in half a character.
    EXPECT_EQ(UTF8::prefix("密码密码", 7), "密码");
    EXPECT_EQ(UTF8::prefix("cafe\u0301", 5), "caf") << "not an e without its accent";
    EXPECT_EQ(UTF8::prefix("short", 255), "short");
}
