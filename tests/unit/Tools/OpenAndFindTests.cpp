#include "Tools/Common/DiskCatalog.h"
#include "Tools/open/Opener.h"
#include "ToolsTestData.h"

#include <gtest/gtest.h>
#include <sstream>

using Tools::Opener;

namespace {

std::optional<std::string> noEnvironment(const char*) { return std::nullopt; }
std::optional<std::string> emptyDisplay(const char* name) { return std::string(name) == "DISPLAY" ? std::optional<std::string>("") : std::nullopt; }
std::optional<std::string> waylandSession(const char* name) { return std::string(name) == "WAYLAND_DISPLAY" ? std::optional<std::string>("wayland-0") : std::nullopt; }

}

TEST(Opener, ReportsMissingPathsAbsoluteAndAMissingDesktopSession)
{
    std::ostringstream missing;
    EXPECT_EQ(Opener("/", waylandSession).run({ "/Volumes/NoSuchVolume", "/" }, missing), 1);
    EXPECT_EQ(missing.str(), "The file /Volumes/NoSuchVolume does not exist.\n");
    EXPECT_EQ(Opener("/Users/me", noEnvironment).absolute("Desktop/Data"), "/Users/me/Desktop/Data");
    EXPECT_EQ(Opener("/", noEnvironment).absolute("tmp"), "/tmp");

    EXPECT_FALSE(Opener("/", emptyDisplay).hasDesktopSession());
    std::ostringstream noSession;
    EXPECT_EQ(Opener("/", noEnvironment).run({ "/" }, noSession), 1);
    EXPECT_NE(noSession.str().find("no desktop session"), std::string::npos) << noSession.str();
}

TEST(DiskCatalog, VolumesAreFoundByExactNameNodeOrMountPoint)
{
    auto volume = ToolsTestData::ntfsDisk().partitions[0];
    for (const char* name : { "Data", "/dev/disk4s1", "/Volumes/Data" })
        EXPECT_TRUE(Tools::DiskCatalog::matchesByName(volume, name)) << name;
    for (const char* name : { "data", "Dat", "" })
        EXPECT_FALSE(Tools::DiskCatalog::matchesByName(volume, name)) << name;

    // A partition without a file system has no name to be found by.
    volume.probe = {};
    EXPECT_FALSE(Tools::DiskCatalog::matchesByName(volume, ""));
    EXPECT_FALSE(Tools::DiskCatalog::matchesByName(volume, "Untitled"));
}
