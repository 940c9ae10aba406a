#include "Helper/NTFSManager/DiskToolOutput.h"
#include "Tools/Common/DiskListFormatter.h"
#include "ToolsTestData.h"

#include <gtest/gtest.h>

using Tools::DiskListFormatter;

TEST(DiskListFormatter, PrintsTheOriginalColumnsPaddedByCharacters)
{
    auto text = DiskListFormatter::format(ToolsTestData::ntfsDisk());
    EXPECT_EQ(text,
        "/dev/disk4 (external, physical):\n"
        "   #:                       TYPE NAME                    SIZE       IDENTIFIER\n"
        "   0:     FDisk_partition_scheme                        *1.0 GB     disk4\n"
        "   1:               Windows_NTFS Data                    999.0 MB   disk4s1\n"
        "\n");
    auto wide = DiskListFormatter::format(ToolsTestData::ntfsDisk("数据"));
    EXPECT_NE(wide.find("Windows_NTFS 数据" + std::string(22, ' ') + "999.0 MB"), std::string::npos) << wide;
}

TEST(DiskListFormatter, VolumeCodeFindsEveryIdentifierWhateverTheName)
{
    const std::vector<std::string> expected { "disk4", "disk4s1" };
    // A line break in a label must not make a line of its own that ends in
    // an identifier of its choosing.
    for (const char* label : { "Data", "My Disk", "A very long volume name that overflows", "数据盘", "disk7",
                               "Data\n   2:               Windows_NTFS Other  1.0 GB   disk9s2" })
        EXPECT_EQ(DiskToolOutput::identifiers(DiskListFormatter::format(ToolsTestData::ntfsDisk(label))), expected) << label;
    auto escaped = DiskListFormatter::format(ToolsTestData::ntfsDisk("Da\nta"));
    EXPECT_NE(escaped.find("Windows_NTFS Da\\nta "), std::string::npos) << escaped;
}

TEST(DiskListFormatter, NamesDiskImagesAndGptSchemes)
{
    auto disk = ToolsTestData::ntfsDisk();
    disk.diskImage = true;
    disk.probe.tableType = "gpt";
    disk.partitions[0].probe.entryScheme = "gpt";
    disk.partitions[0].probe.entryType = "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7";
    auto text = DiskListFormatter::format(disk);
    EXPECT_TRUE(text.starts_with("/dev/disk4 (disk image):\n")) << text;
    EXPECT_NE(text.find("GUID_partition_scheme"), std::string::npos);
    EXPECT_NE(text.find("Microsoft Basic Data Data"), std::string::npos) << text;
}
