#include "Tools/Common/PartitionTypeName.h"
#include "Tools/Common/SizeText.h"

#include <gtest/gtest.h>

using Tools::PartitionTypeName;
using Tools::SizeText;

TEST(SizeText, UsesDecimalUnitsWithOneDecimal)
{
    const std::pair<unsigned long long, const char*> cases[] = {
        { 999, "999 B" }, { 1000, "1.0 KB" }, { 64ull << 20, "67.1 MB" }, { 999960, "1.0 MB" }, { 2000000000000ull, "2.0 TB" },
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(SizeText::format(bytes), text) << bytes;
    EXPECT_EQ(SizeText::detailed(66060288), "66.1 MB (66060288 Bytes) (exactly 129024 512-Byte-Units)");
    EXPECT_EQ(SizeText::detailed(1001), "1.0 KB (1001 Bytes)");
}

TEST(PartitionTypeName, GptTypesMatchWhateverTheirCaseAndUnknownCodesShowAsThemselves)
{
    Tools::ProbeResult probe;
    probe.entryScheme = "gpt";
    probe.entryType = "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";
    EXPECT_EQ(PartitionTypeName::content(probe), "EFI");
    // The volume code's listing drops the lines that mention APFS.
    probe.entryType = "7c3457ef-0000-11aa-aa11-00306543ecac";
    EXPECT_NE(PartitionTypeName::content(probe).find("APFS"), std::string::npos);
    probe.entryType = "12345678-1234-1234-1234-123456789abc";
    EXPECT_EQ(PartitionTypeName::content(probe), "12345678-1234-1234-1234-123456789ABC");
    probe.entryScheme = "dos";
    probe.entryType = "0xa5";
    EXPECT_EQ(PartitionTypeName::content(probe), "0xA5");

    probe = {};
    probe.fsType = "swap";
    EXPECT_EQ(PartitionTypeName::personality(probe), "");
}
