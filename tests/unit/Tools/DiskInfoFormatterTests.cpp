#include "Helper/NTFSManager/DiskToolOutput.h"
#include "Tools/Common/DiskInfoFormatter.h"
#include "ToolsTestData.h"

#include <gtest/gtest.h>

using Tools::DiskInfoFormatter;

namespace {

bool hasLine(const std::string& text, const std::string& line)
{
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

}

TEST(DiskInfoFormatter, VolumeNameIsFollowedByExactlyFifteenBlanks)
{
    auto disk = ToolsTestData::ntfsDisk();
    auto text = DiskInfoFormatter::formatVolume(disk.partitions[0], disk);
    EXPECT_TRUE(hasLine(text, "   Volume Name:               Data")) << text;
    EXPECT_TRUE(hasLine(text, "   Device Node:               /dev/disk4s1"));
    EXPECT_TRUE(hasLine(text, "   Mount Point:               /Volumes/Data"));
    EXPECT_EQ(DiskInfoFormatter::line("A label that is far too long", "x"), "   A label that is far too long:x\n");
}

// What the volume code reads back: name, mount state and personality.
TEST(DiskInfoFormatter, VolumeCodeReadsNameMountStateAndPersonality)
{
    auto mounted = ToolsTestData::ntfsDisk("My Disk");
    auto unmounted = ToolsTestData::ntfsDisk("Data", false);
    auto fat = ToolsTestData::ntfsDisk("");
    fat.partitions[0].probe.fsType = "vfat";
    auto stick = ToolsTestData::ntfsDisk();
    stick.partitions.clear();
    stick.probe = {};
    stick.probe.fsType = "ntfs";
    stick.probe.label = "Stick";

    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> values;
    } cases[] = {
        { "mounted", DiskInfoFormatter::formatVolume(mounted.partitions[0], mounted), { "My Disk", "    Yes", "   NTFS" } },
        { "unmounted", DiskInfoFormatter::formatVolume(unmounted.partitions[0], unmounted), { "Data", "    No", "   NTFS" } },
        { "unlabelled FAT", DiskInfoFormatter::formatVolume(fat.partitions[0], fat), { "Untitled", "    Yes", "   MS-DOS FAT32" } },
        { "whole disk with a table", DiskInfoFormatter::formatDisk(mounted), { "Not applicable (no file system)", "    Not applicable (no file system)" } },
        { "whole disk file system", DiskInfoFormatter::formatDisk(stick), { "Stick", "    No", "   NTFS" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DiskToolOutput::infoValues(c.text), c.values) << c.what << "\n" << c.text;

    EXPECT_EQ(cases[1].text.find("Mount Point:"), std::string::npos);
    EXPECT_EQ(cases[1].text.find("Read-Only Volume:"), std::string::npos);
}
