#include "Tools/Common/PartitionTypeName.h"
#include "Tools/Common/SizeText.h"

#include <gtest/gtest.h>

using Tools::PartitionTypeName;
using Tools::ProbeResult;
using Tools::SizeText;

TEST(SizeText, UsesDecimalUnitsWithOneDecimal)
{
    EXPECT_EQ(SizeText::format(0), "0 B");
    EXPECT_EQ(SizeText::format(999), "999 B");
    EXPECT_EQ(SizeText::format(1000), "1.0 KB");
    EXPECT_EQ(SizeText::format(64ull << 20), "67.1 MB");
    EXPECT_EQ(SizeText::format(999960), "1.0 MB");
    EXPECT_EQ(SizeText::format(500277790720ull), "500.3 GB");
    EXPECT_EQ(SizeText::format(2000000000000ull), "2.0 TB");
}

TEST(SizeText, DetailedCountsBytesAndSectors)
{
    EXPECT_EQ(SizeText::detailed(66060288), "66.1 MB (66060288 Bytes) (exactly 129024 512-Byte-Units)");
    EXPECT_EQ(SizeText::detailed(1001), "1.0 KB (1001 Bytes)");
}

TEST(PartitionTypeName, NamesMbrTypesByCode)
{
    ProbeResult probe;
    probe.entryScheme = "dos";
    probe.entryType = "0x7";
    EXPECT_EQ(PartitionTypeName::content(probe), "Windows_NTFS");
    probe.entryType = "0xc";
    EXPECT_EQ(PartitionTypeName::content(probe), "Windows_FAT_32");
    probe.entryType = "0x83";
    EXPECT_EQ(PartitionTypeName::content(probe), "Linux");
    probe.entryType = "0xa5";
    EXPECT_EQ(PartitionTypeName::content(probe), "0xA5");
}

TEST(PartitionTypeName, NamesGptTypesWhateverTheirCase)
{
    ProbeResult probe;
    probe.entryScheme = "gpt";
    probe.entryType = "c12a7328-f81f-11d2-ba4b-00a0c93ec93b";
    EXPECT_EQ(PartitionTypeName::content(probe), "EFI");
    probe.entryType = "7C3457EF-0000-11AA-AA11-00306543ECAC";
    // Its line mentions APFS, which the volume code's listing filters out.
    EXPECT_NE(PartitionTypeName::content(probe).find("APFS"), std::string::npos);
    probe.entryType = "12345678-1234-1234-1234-123456789abc";
    EXPECT_EQ(PartitionTypeName::content(probe), "12345678-1234-1234-1234-123456789ABC");
}

TEST(PartitionTypeName, WholeDisksAreNamedByTableOrFileSystem)
{
    ProbeResult probe;
    probe.tableType = "dos";
    EXPECT_EQ(PartitionTypeName::content(probe), "FDisk_partition_scheme");
    probe = {};
    probe.fsType = "ntfs";
    EXPECT_EQ(PartitionTypeName::content(probe), "Windows_NTFS");
    EXPECT_EQ(PartitionTypeName::personality(probe), "NTFS");
    EXPECT_EQ(PartitionTypeName::bundle("vfat"), "msdos");
    probe.fsType = "";
    EXPECT_EQ(PartitionTypeName::personality(probe), "");
    probe.fsType = "swap";
    EXPECT_EQ(PartitionTypeName::personality(probe), "");
}
