#include "support/NtfsFixture.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "Platform/Foundation/MountTable.h"
#include "support/ChildProcess.h"
#include "support/DiskSandbox.h"

namespace fs = std::filesystem;

void NtfsFixture::SetUp()
{
    // The program's main has already skipped the whole run where volumes
    // cannot be mounted; this guards a filtered run started by hand.
    if (std::string missing = DiskSandbox::missingRequirement(); !missing.empty())
        GTEST_SKIP() << missing;
    std::string error;
    ASSERT_TRUE(DiskSandbox::prepare(&error)) << error;
    DiskSandbox::cleanUp();
    m_originalFstab = readFile(fstab);
    fs::create_directories("/tmp/ntfs-e2e");
}

void NtfsFixture::TearDown()
{
    if (DiskSandbox::missingRequirement().empty()) {
        DiskSandbox::cleanUp();
        m_disks.clear();
        std::ofstream(fstab, std::ios::binary | std::ios::trunc) << m_originalFstab;
        fs::remove_all("/tmp/ntfs-e2e");
    }
}

AttachedDisk& NtfsFixture::plugIn(const std::string& label, const NtfsImage::Files& files)
{
    return attach(makeImage(label, files));
}

std::string NtfsFixture::makeImage(const std::string& label, const NtfsImage::Files& files)
{
    const std::string image = "/tmp/ntfs-e2e/disk" + std::to_string(m_images++) + ".img";
    std::string error;
    if (!NtfsImage::make(image, label, files, &error))
        throw std::runtime_error(error);
    return image;
}

AttachedDisk& NtfsFixture::attach(const std::string& image)
{
    std::string output;
    auto disk = AttachedDisk::attach(image, &output);
    if (!disk)
        throw std::runtime_error("hdiutil attach failed: " + output);
    m_disks.push_back(std::move(disk));
    return *m_disks.back();
}

void NtfsFixture::expectNothingLeftBehind()
{
    std::vector<const AttachedDisk*> disks;
    for (auto& disk : m_disks) {
        std::string output;
        EXPECT_TRUE(disk->detach(&output)) << output;
        disks.push_back(disk.get());
    }
    EXPECT_THAT(DiskSandbox::leftovers(disks), ::testing::IsEmpty());
}

std::string NtfsFixture::desktopFolder(const std::string& name)
{
    return std::string(DiskSandbox::desktop) + "/" + name;
}

std::string NtfsFixture::mountOf(const std::string& folder, const std::string& device)
{
    auto mount = MountTable().mountAt(folder);
    if (!mount || mount->source != device)
        return "";
    return mount->isReadWrite() ? "rw" : "ro";
}

bool NtfsFixture::isMounted(const std::string& folder)
{
    return MountTable().mountAt(folder).has_value();
}

bool NtfsFixture::write(const std::string& path, const std::string& content)
{
    std::ofstream file(path, std::ios::binary);
    file << content;
    file.close();
    return file.good();
}
