#include "Tools/Common/Fstab.h"
#include "TempFile.h"

#include <gtest/gtest.h>

using Tools::Fstab;

TEST(Fstab, TheSystemsOwnLineAsksForReadWrite)
{
    EXPECT_TRUE(Fstab::lineRequestsReadWrite("LABEL=Data none ntfs rw,auto,nobrowse", "Data"));
    EXPECT_TRUE(Fstab::lineRequestsReadWrite("LABEL=Data none ntfs rw,auto,nobrowse\r", "Data"));
    // A name with a blank cannot be written as columns; the exact line still counts.
    EXPECT_TRUE(Fstab::lineRequestsReadWrite("LABEL=My Disk none ntfs rw,auto,nobrowse", "My Disk"));
}

TEST(Fstab, OnlyTheSameLabelMatches)
{
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("LABEL=Data none ntfs rw,auto,nobrowse", "data"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("LABEL=Data2 none ntfs rw,auto,nobrowse", "Data"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("LABEL=Data none ntfs rw,auto,nobrowse", "Dat"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("LABEL=My Disk none ntfs rw,auto,nobrowse", "My"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("UUID=1234 none ntfs rw,auto,nobrowse", "Data"));
}

TEST(Fstab, HandWrittenEntriesAreReadAsColumns)
{
    EXPECT_TRUE(Fstab::lineRequestsReadWrite("LABEL=Data\t/Volumes/Data  ntfs  rw,noauto 0 0", "Data"));
    EXPECT_TRUE(Fstab::lineRequestsReadWrite("LABEL=My\\040Disk none ntfs rw", "My Disk"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("LABEL=Data none ntfs ro,auto,nobrowse", "Data"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("LABEL=Data none ntfs rw,ro", "Data"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("LABEL=Data none exfat rw,auto", "Data"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("#LABEL=Data none ntfs rw,auto,nobrowse x", "Data"));
    EXPECT_FALSE(Fstab::lineRequestsReadWrite("LABEL=Data none", "Data"));
}

TEST(Fstab, ReadsTheFileItWasGiven)
{
    TempFile file("# static file system information\nUUID=abc / ext4 defaults 0 1\n\nLABEL=Data none ntfs rw,auto,nobrowse\n");
    Fstab fstab(file.path());
    EXPECT_TRUE(fstab.requestsReadWrite("Data"));
    EXPECT_FALSE(fstab.requestsReadWrite("Other"));
    EXPECT_FALSE(Fstab("/nonexistent/fstab").requestsReadWrite("Data"));
}
