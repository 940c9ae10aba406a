#include "Platform/Foundation/Process.h"
#include "Tools/Common/BlockProbe.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

// Real NTFS file systems, made in plain files: mkntfs needs no device, and
// the probe reads a file as it reads a disk.
TEST(BlockProbe, ReadsAnNtfsLabelWholeHoweverLong)
{
    const std::string mkntfs = "/usr/sbin/mkntfs";
    if (::access(mkntfs.c_str(), X_OK) != 0)
        GTEST_SKIP() << "mkntfs is not installed (package ntfs-3g)";
    std::string chinese;
    for (int character = 0; character < 100; ++character)
        chinese += "数";
    TemporaryFolder folder("ntfs-label");
    const std::string image = folder / "volume.img";
    // Past some 60 characters a label crosses the first 512 bytes of its record.
    for (const std::string& label : {std::string("Data"), std::string(128, 'L'), chinese, std::string("x:Other")}) {
        std::filesystem::resize_file(folder.write("volume.img", ""), 16 << 20);
        auto made = Process::run({mkntfs, {"-Q", "-F", "-L", label, image}});
        ASSERT_TRUE(made && made->exitStatus == 0) << label << (made ? made->standardError : made.error().description);
        auto probed = Tools::BlockProbe::probe(image);
        ASSERT_TRUE(probed) << probed.error().description;
        EXPECT_EQ(probed->fsType, "ntfs");
        EXPECT_EQ(probed->label, label);
    }
}
