#include "Tools/Common/DiskListFormatter.h"
#include "ToolsTestData.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

using Tools::DiskListFormatter;

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        result.push_back(line);
    return result;
}

// What the volume code keeps of the list: the last blank-separated word of each line.
std::string lastWord(const std::string& line)
{
    auto end = line.find_last_not_of(' ');
    if (end == std::string::npos)
        return {};
    auto start = line.find_last_of(' ', end);
    return line.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

}

TEST(DiskListFormatter, PrintsTheOriginalColumns)
{
    auto text = DiskListFormatter::format(ToolsTestData::ntfsDisk());
    auto rows = lines(text);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "/dev/disk4 (external, physical):");
    EXPECT_EQ(rows[1], "   #:                       TYPE NAME                    SIZE       IDENTIFIER");
    EXPECT_EQ(rows[2], "   0:     FDisk_partition_scheme                        *1.0 GB     disk4");
    EXPECT_EQ(rows[3], "   1:               Windows_NTFS Data                    999.0 MB   disk4s1");
    EXPECT_EQ(rows[4], "");
    EXPECT_TRUE(text.ends_with("\n\n"));
}

TEST(DiskListFormatter, EveryRowEndsInItsIdentifierWhateverTheName)
{
    for (const char* label : { "Data", "My Disk", "A very long volume name that overflows", "数据盘" }) {
        auto rows = lines(DiskListFormatter::format(ToolsTestData::ntfsDisk(label)));
        EXPECT_EQ(lastWord(rows[0]), "physical):") << label;
        EXPECT_EQ(lastWord(rows[1]), "IDENTIFIER") << label;
        EXPECT_EQ(lastWord(rows[2]), "disk4") << label;
        EXPECT_EQ(lastWord(rows[3]), "disk4s1") << label;
    }
}

TEST(DiskListFormatter, PadsByCharactersNotBytes)
{
    auto rows = lines(DiskListFormatter::format(ToolsTestData::ntfsDisk("数据")));
    // Two characters padded to 23 leave 21 blanks before the size column.
    EXPECT_NE(rows[3].find("Windows_NTFS 数据" + std::string(22, ' ') + "999.0 MB"), std::string::npos) << rows[3];
}

TEST(DiskListFormatter, NamesDiskImagesAndGptSchemes)
{
    auto disk = ToolsTestData::ntfsDisk();
    disk.diskImage = true;
    disk.probe.tableType = "gpt";
    disk.partitions[0].probe.entryScheme = "gpt";
    disk.partitions[0].probe.entryType = "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7";
    auto rows = lines(DiskListFormatter::format(disk));
    EXPECT_EQ(rows[0], "/dev/disk4 (disk image):");
    EXPECT_NE(rows[2].find("GUID_partition_scheme"), std::string::npos);
    EXPECT_NE(rows[3].find("Microsoft Basic Data Data"), std::string::npos) << rows[3];
}
