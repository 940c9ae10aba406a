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

TEST(UTF8, CountsUserPerceivedCharacters)
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
}

TEST(UTF8, APrefixThatFitsEndsBetweenCharacters)
{
    std::string chinese;
    for (int character = 0; character < 100; ++character)
        chinese += "数";
    EXPECT_EQ(UTF8::prefixWithin(chinese, 255), chinese.substr(0, 255)) << "85 whole characters";
    EXPECT_EQ(UTF8::prefixWithin(chinese, 254), chinese.substr(0, 252));
    EXPECT_EQ(UTF8::prefixWithin("Data", 255), "Data");
    EXPECT_EQ(UTF8::prefixWithin("cafe\u0301s", 5), "caf") << "the accent stays with its letter";
    EXPECT_EQ(UTF8::prefixWithin("ab\xFF\xFE" "cd", 3), "ab\xFF") << "a stray byte is a character of its own";
}
