#include "Tools/Common/DiskInfoFormatter.h"
#include "ToolsTestData.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

using Tools::DiskInfoFormatter;

namespace {

// The volume code's reading of `diskutil info`: the lines naming the volume,
// its mount state and its personality; of each the text after the last colon
// with every run of exactly 15 blanks removed.
std::vector<std::string> parsedValues(const std::string& text)
{
    std::vector<std::string> values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("Volume Name:") == std::string::npos && line.find("Mounted:") == std::string::npos && line.find("File System Personality:") == std::string::npos)
            continue;
        std::string value = line.substr(line.rfind(':') + 1);
        for (size_t at; (at = value.find(std::string(15, ' '))) != std::string::npos;)
            value.erase(at, 15);
        values.push_back(value);
    }
    return values;
}

bool hasLine(const std::string& text, const std::string& line)
{
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

}

TEST(DiskInfoFormatter, VolumeNameIsFollowedByExactlyFifteenBlanks)
{
    auto text = DiskInfoFormatter::formatVolume(ToolsTestData::ntfsDisk().partitions[0], ToolsTestData::ntfsDisk());
    EXPECT_TRUE(hasLine(text, "   Volume Name:               Data")) << text;
    EXPECT_TRUE(hasLine(text, "   Device Identifier:         disk4s1"));
    EXPECT_TRUE(hasLine(text, "   Device Node:               /dev/disk4s1"));
    EXPECT_TRUE(hasLine(text, "   Mount Point:               /Volumes/Data"));
    EXPECT_TRUE(hasLine(text, "   Type (Bundle):             ntfs"));
    EXPECT_TRUE(hasLine(text, "   Read-Only Volume:          Yes"));
}

TEST(DiskInfoFormatter, MountedNtfsVolumeGivesTheThreeValuesTheVolumeCodeNeeds)
{
    auto disk = ToolsTestData::ntfsDisk("My Disk");
    auto values = parsedValues(DiskInfoFormatter::formatVolume(disk.partitions[0], disk));
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], "My Disk");
    EXPECT_NE(values[1].find("Yes"), std::string::npos);
    EXPECT_EQ(values[1].find("No"), std::string::npos);
    EXPECT_NE(values[2].find("NTFS"), std::string::npos);
}

TEST(DiskInfoFormatter, UnmountedVolumeSaysNoAndHasNoMountPoint)
{
    auto disk = ToolsTestData::ntfsDisk("Data", false);
    auto text = DiskInfoFormatter::formatVolume(disk.partitions[0], disk);
    auto values = parsedValues(text);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_NE(values[1].find("No"), std::string::npos);
    EXPECT_EQ(text.find("Mount Point:"), std::string::npos);
    EXPECT_EQ(text.find("Read-Only Volume:"), std::string::npos);
}

TEST(DiskInfoFormatter, WholeDiskWithoutFileSystemHasNoPersonality)
{
    auto text = DiskInfoFormatter::formatDisk(ToolsTestData::ntfsDisk());
    EXPECT_TRUE(hasLine(text, "   Volume Name:               Not applicable (no file system)")) << text;
    EXPECT_TRUE(hasLine(text, "   Content (IOContent):       FDisk_partition_scheme"));
    EXPECT_EQ(text.find("File System Personality:"), std::string::npos);
    auto values = parsedValues(text);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_NE(values[1].find("No"), std::string::npos);
}

TEST(DiskInfoFormatter, WholeDiskFileSystemIsDescribedAsAVolume)
{
    auto disk = ToolsTestData::ntfsDisk();
    disk.partitions.clear();
    disk.probe = {};
    disk.probe.fsType = "ntfs";
    disk.probe.label = "Stick";
    auto values = parsedValues(DiskInfoFormatter::formatDisk(disk));
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], "Stick");
    EXPECT_EQ(values[2], "   NTFS");
}

TEST(DiskInfoFormatter, FileSystemWithoutLabelIsUntitledAndNonNtfsIsNamedSo)
{
    auto disk = ToolsTestData::ntfsDisk("");
    disk.partitions[0].probe.fsType = "vfat";
    auto values = parsedValues(DiskInfoFormatter::formatVolume(disk.partitions[0], disk));
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], "Untitled");
    EXPECT_EQ(values[2].find("NTFS"), std::string::npos);
    EXPECT_NE(values[2].find("MS-DOS FAT32"), std::string::npos);
}

TEST(DiskInfoFormatter, LabelsLongerThanTheColumnStillGetOneBlank)
{
    EXPECT_EQ(DiskInfoFormatter::line("A label that is far too long", "x"), "   A label that is far too long:x\n");
    EXPECT_EQ(DiskInfoFormatter::line("Mounted", "Yes"), "   Mounted:                   Yes\n");
}
