#include "Tools/Common/Fstab.h"
#include "support/TemporaryFolder.h"

#include <fstream>
#include <gtest/gtest.h>

using Tools::Fstab;

TEST(Fstab, OnlyAnNtfsReadWriteLineForTheSameLabelCounts)
{
    struct Case {
        const char *line, *label;
        bool readWrite;
    } cases[] = {
        { "LABEL=Data none ntfs rw,auto,nobrowse", "Data", true },
        { "LABEL=Data none ntfs rw,auto,nobrowse\r", "Data", true },
        // A name with a blank cannot be written as columns; the exact line still counts.
        { "LABEL=My Disk none ntfs rw,auto,nobrowse", "My Disk", true },
        { "LABEL=Data\t/Volumes/Data  ntfs  rw,noauto 0 0", "Data", true },
        { "LABEL=My\\040Disk none ntfs rw", "My Disk", true },
        { "LABEL=Data none ntfs rw,auto,nobrowse", "data", false },
        { "LABEL=Data2 none ntfs rw,auto,nobrowse", "Data", false },
        { "LABEL=Data none ntfs rw,auto,nobrowse", "Dat", false },
        { "LABEL=My Disk none ntfs rw,auto,nobrowse", "My", false },
        { "UUID=1234 none ntfs rw,auto,nobrowse", "Data", false },
        { "LABEL=Data none ntfs ro,auto,nobrowse", "Data", false },
        { "LABEL=Data none ntfs rw,ro", "Data", false },
        { "LABEL=Data none exfat rw,auto", "Data", false },
        { "#LABEL=Data none ntfs rw,auto,nobrowse x", "Data", false },
        { "LABEL=Data none", "Data", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Fstab::lineRequestsReadWrite(c.line, c.label), c.readWrite) << c.line << " / " << c.label;
}

TEST(Fstab, ReadsTheFileItWasGiven)
{
    TemporaryFolder folder("fstab-test");
    std::ofstream(folder / "fstab") << "# static file system information\nUUID=abc / ext4 defaults 0 1\n\nLABEL=Data none ntfs rw,auto,nobrowse\n";
    Fstab fstab(folder / "fstab");
    EXPECT_TRUE(fstab.requestsReadWrite("Data"));
    EXPECT_FALSE(fstab.requestsReadWrite("Other"));
    EXPECT_FALSE(Fstab("/nonexistent/fstab").requestsReadWrite("Data"));
}
