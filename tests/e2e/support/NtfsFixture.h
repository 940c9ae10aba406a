#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/AttachedDisk.h"
#include "support/NtfsImage.h"

// A test on real NTFS volumes inside the sandbox: images are made and plugged
// in by the test, and whatever the run leaves (mounts, loop devices, device
// nodes, desktop folders) is taken down when the test ends, failed or not.
class NtfsFixture : public ::testing::Test {
protected:
    static constexpr const char* fstab = "/etc/fstab";

    void SetUp() override;
    void TearDown() override;

    // Makes an image holding `files` and attaches it; the system mounts it
    // read-only under /Volumes as it would a plugged-in disk.
    AttachedDisk& plugIn(const std::string& label, const NtfsImage::Files& files);
    // The two halves of plugIn: the image (which is mounted for a moment to
    // write the files), and the disk plugged in.
    std::string makeImage(const std::string& label, const NtfsImage::Files& files);
    AttachedDisk& attach(const std::string& image);
    // Detaches every disk, then expects nothing at all left on the machine.
    void expectNothingLeftBehind();

    static std::string desktopFolder(const std::string& name);
    static std::string volumesFolder(const std::string& name) { return "/Volumes/" + name; }
    // "rw" or "ro" as the topmost mount at `folder` is of `device`, or "" if it is not.
    static std::string mountOf(const std::string& folder, const std::string& device);
    static bool isMounted(const std::string& folder);
    static bool write(const std::string& path, const std::string& content);

    std::vector<std::unique_ptr<AttachedDisk>> m_disks;
    int m_images = 0;
    std::string m_originalFstab;
};
