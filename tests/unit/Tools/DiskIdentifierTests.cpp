#include "Tools/Common/DiskIdentifier.h"
#include "Tools/diskutil/DiskUtil.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

using Tools::DiskIdentifier;

TEST(DiskIdentifier, ParsesIdentifiersAndNodesButNoOtherWords)
{
    auto partition = DiskIdentifier::parse("/dev/disk12s3");
    ASSERT_TRUE(partition);
    EXPECT_EQ(partition->name(), "disk12s3");
    EXPECT_EQ(partition->wholeDisk(), DiskIdentifier(12));
    EXPECT_EQ(partition->nodePath("/dev"), "/dev/disk12s3");
    EXPECT_TRUE(DiskIdentifier::parse("disk4")->isWholeDisk());

    // Header words of the disk list and volume names must not pass.
    for (const char* text : { "", "disk", "IDENTIFIER", "Data", "disk4s", "disk4s0", "disk04", "disk4s1x", "disk-1", "/dev/loop0", "disk4 ", "xdisk4" })
        EXPECT_FALSE(DiskIdentifier::parse(text)) << text;

    EXPECT_LT(DiskIdentifier(2), DiskIdentifier(2, 1));
    EXPECT_LT(DiskIdentifier(2, 9), DiskIdentifier(3));
    EXPECT_LT(DiskIdentifier(2, 2), DiskIdentifier(2, 10));
}

TEST(DiskUtil, UnknownDiskIsReportedOnStandardError)
{
    TemporaryFolder root("diskutil-test");
    std::filesystem::create_directories(root / "dev");
    std::filesystem::create_directories(root / "sys/dev/block");
    Tools::DiskUtil diskutil({ root / "dev", root / "sys", root / "mountinfo", root / "fstab", root / "Volumes" }, { true, false, "" });
    for (const char* verb : { "info", "list" }) {
        std::ostringstream out, err;
        EXPECT_EQ(diskutil.run({ verb, "disk999" }, out, err), 1) << verb;
        EXPECT_EQ(err.str(), "Could not find disk: disk999\n") << verb;
        EXPECT_EQ(out.str(), "") << verb;
    }
}
