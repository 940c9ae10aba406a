#include <gtest/gtest.h>

#include "Shared/Kit/Kit.h"

TEST(Kit, QuotesAndDescribesLikeTheLogReaderExpects)
{
    EXPECT_EQ(Kit::quoted(""), "\"\"");
    EXPECT_EQ(Kit::quoted("say \"hi\"\\now\n"), R"("say \"hi\"\\now\n")");
    EXPECT_EQ(Kit::quoted(std::string("a\tb\rc\0d\x1b", 8)), R"("a\tb\rc\0d\u{1b}")");
    EXPECT_EQ(Kit::quoted("é 密"), "\"é 密\"");
    EXPECT_EQ(Kit::describe(std::vector<std::string>{}), "[]");
    EXPECT_EQ(Kit::describe({"disk2", "disk2s1"}), R"(["disk2", "disk2s1"])");
    EXPECT_EQ(Kit::describe("/dev/disk2s1 on /Volumes/A\n", ""), R"((result: "/dev/disk2s1 on /Volumes/A\n", error: ""))");
    EXPECT_EQ(Kit::describe("", "Password:\"x\""), R"((result: "", error: "Password:\"x\""))");
}
