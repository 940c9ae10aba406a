#include "Tools/Common/DiskIdentifier.h"

#include <gtest/gtest.h>

using Tools::DiskIdentifier;

TEST(DiskIdentifier, ParsesWholeDisksPartitionsAndNodes)
{
    auto disk = DiskIdentifier::parse("disk4");
    ASSERT_TRUE(disk);
    EXPECT_TRUE(disk->isWholeDisk());
    EXPECT_EQ(disk->disk(), 4);

    auto partition = DiskIdentifier::parse("/dev/disk12s3");
    ASSERT_TRUE(partition);
    EXPECT_EQ(partition->disk(), 12);
    EXPECT_EQ(partition->partition(), 3);
    EXPECT_EQ(partition->name(), "disk12s3");
    EXPECT_EQ(partition->wholeDisk(), DiskIdentifier(12));
    EXPECT_EQ(partition->nodePath("/dev"), "/dev/disk12s3");
}

TEST(DiskIdentifier, RejectsWordsThatAreNoIdentifiers)
{
    // Header words of the disk list and volume names must not pass.
    for (const char* text : { "", "disk", "IDENTIFIER", "Data", "disk4s", "disk4s0", "disk04", "disk4s1x", "disk-1", "/dev/loop0", "disk4 ", "xdisk4" })
        EXPECT_FALSE(DiskIdentifier::parse(text)) << text;
}

TEST(DiskIdentifier, OrdersDisksBeforeTheirPartitions)
{
    EXPECT_LT(DiskIdentifier(2), DiskIdentifier(2, 1));
    EXPECT_LT(DiskIdentifier(2, 9), DiskIdentifier(3));
    EXPECT_LT(DiskIdentifier(2, 2), DiskIdentifier(2, 10));
}
