#include "Tools/Common/NtfsDriver.h"
#include "Tools/mount_ntfs/MountNtfs.h"

#include <gtest/gtest.h>
#include <sstream>

using Tools::MountNtfs;
using Tools::NtfsDriver;
using Tools::NtfsState;

TEST(MountNtfs, ParsesTheVolumeCodesCommand)
{
    auto request = MountNtfs::parse({ "-o", "rw,nobrowse", "/dev/disk4s1", "/Users/me/Desktop/Data" });
    ASSERT_TRUE(request) << request.error().description;
    EXPECT_TRUE(request->readWrite);
    EXPECT_EQ(request->node, "/dev/disk4s1");
    EXPECT_EQ(request->directory, "/Users/me/Desktop/Data");
    EXPECT_FALSE(MountNtfs::parse({ "/dev/disk4s1", "/mnt" })->readWrite);
    EXPECT_FALSE(MountNtfs::parse({ "-o", "rw", "-o", "ro", "/dev/disk4s1", "/mnt" })->readWrite);

    for (const auto& malformed : std::vector<std::vector<std::string>> {
             { "-o" }, { "-o", "rw", "/dev/disk4s1" }, { "-x", "/dev/disk4s1", "/mnt" }, { "/dev/disk4s1", "/mnt", "/extra" } })
        EXPECT_FALSE(MountNtfs::parse(malformed)) << malformed.size();
}

TEST(MountNtfs, RefusesOptionsThatCouldDiscardWindowsData)
{
    for (const char* options : { "rw,remove_hiberfile", "rw,recover", "force", "rw,hide_hid_files" })
        EXPECT_FALSE(MountNtfs::parse({ "-o", options, "/dev/disk4s1", "/mnt" })) << options;

    std::ostringstream err;
    EXPECT_NE(MountNtfs(Tools::ToolPaths {}).run({ "-o", "rw,remove_hiberfile", "/dev/disk4s1", "/mnt" }, err), 0);
    EXPECT_EQ(err.str(), "mount_ntfs: unsupported option remove_hiberfile\n");
}

// A hibernated or unclean volume must never be taken for a writable one.
TEST(NtfsDriver, MapsProbeStatusesToStatesAndExplainsWindowsShutdown)
{
    EXPECT_EQ(NtfsDriver::stateForProbeStatus(0), NtfsState::Writable);
    EXPECT_EQ(NtfsDriver::stateForProbeStatus(12), NtfsState::NotNtfs);
    EXPECT_EQ(NtfsDriver::stateForProbeStatus(14), NtfsState::Hibernated);
    EXPECT_EQ(NtfsDriver::stateForProbeStatus(15), NtfsState::Unclean);
    EXPECT_EQ(NtfsDriver::stateForProbeStatus(21), NtfsState::Unknown);

    for (NtfsState state : { NtfsState::Hibernated, NtfsState::Unclean }) {
        std::string text = NtfsDriver::explanation(state, "/dev/disk4s1");
        EXPECT_TRUE(text.starts_with("/dev/disk4s1")) << text;
        EXPECT_NE(text.find("Fast Startup"), std::string::npos) << text;
    }
}
