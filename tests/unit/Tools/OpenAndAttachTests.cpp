#include "Tools/Common/DiskCatalog.h"
#include "Tools/hdiutil/HdiUtil.h"
#include "Tools/open/Opener.h"
#include "ToolsTestData.h"

#include <gtest/gtest.h>
#include <sstream>

using Tools::Opener;

namespace {

std::optional<std::string> noEnvironment(const char*) { return std::nullopt; }
std::optional<std::string> emptyDisplay(const char* name)
{
    return std::string(name) == "DISPLAY" ? std::optional<std::string>("") : std::nullopt;
}
std::optional<std::string> waylandSession(const char* name)
{
    return std::string(name) == "WAYLAND_DISPLAY" ? std::optional<std::string>("wayland-0") : std::nullopt;
}

}

TEST(Opener, MissingPathGetsTheOriginalsMessageAndNothingIsOpened)
{
    std::ostringstream err;
    EXPECT_EQ(Opener("/", waylandSession).run({ "/Volumes/NoSuchVolume", "/" }, err), 1);
    EXPECT_EQ(err.str(), "The file /Volumes/NoSuchVolume does not exist.\n");
}

TEST(Opener, RelativePathsAreReportedAbsolute)
{
    Opener opener("/Users/me", noEnvironment);
    EXPECT_EQ(opener.absolute("Desktop/Data"), "/Users/me/Desktop/Data");
    EXPECT_EQ(opener.absolute("/Volumes/Data"), "/Volumes/Data");
    EXPECT_EQ(Opener("/", noEnvironment).absolute("tmp"), "/tmp");
}

TEST(Opener, WithoutADesktopSessionSaysSoOnStandardError)
{
    EXPECT_FALSE(Opener("/", noEnvironment).hasDesktopSession());
    EXPECT_FALSE(Opener("/", emptyDisplay).hasDesktopSession());
    EXPECT_TRUE(Opener("/", waylandSession).hasDesktopSession());
    std::ostringstream err;
    EXPECT_EQ(Opener("/", noEnvironment).run({ "/" }, err), 1);
    EXPECT_NE(err.str().find("no desktop session"), std::string::npos) << err.str();
}

TEST(HdiUtil, AttachLinesAlignLikeTheOriginal)
{
    EXPECT_EQ(Tools::HdiUtil::attachLine("/dev/disk4s1", "Windows_NTFS", "/Volumes/Data"), "/dev/disk4s1        \tWindows_NTFS                   \t/Volumes/Data");
    EXPECT_EQ(Tools::HdiUtil::attachLine("/dev/disk4", "FDisk_partition_scheme", ""), "/dev/disk4          \tFDisk_partition_scheme         \t");
}

TEST(DiskCatalog, VolumesAreFoundByNameNodeOrMountPoint)
{
    auto volume = ToolsTestData::ntfsDisk().partitions[0];
    EXPECT_TRUE(Tools::DiskCatalog::matchesByName(volume, "Data"));
    EXPECT_TRUE(Tools::DiskCatalog::matchesByName(volume, "/dev/disk4s1"));
    EXPECT_TRUE(Tools::DiskCatalog::matchesByName(volume, "/Volumes/Data"));
    EXPECT_FALSE(Tools::DiskCatalog::matchesByName(volume, "data"));
    EXPECT_FALSE(Tools::DiskCatalog::matchesByName(volume, "Dat"));
    EXPECT_FALSE(Tools::DiskCatalog::matchesByName(volume, ""));

    // A partition without a file system has no name to be found by.
    volume.probe = {};
    EXPECT_FALSE(Tools::DiskCatalog::matchesByName(volume, ""));
    EXPECT_FALSE(Tools::DiskCatalog::matchesByName(volume, "Untitled"));
}
