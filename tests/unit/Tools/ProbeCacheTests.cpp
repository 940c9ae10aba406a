#include "Tools/Common/ProbeCache.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/sysmacros.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The cache on a /dev folder of our own: plain files stand in for the nodes,
// since only their stamps count, and the probe is counted.
class ProbeCacheTest : public ::testing::Test {
protected:
    ProbeCacheTest()
    {
        m_device.number = makedev(259, 3);
        m_device.kernelName = "loop4p1";
        m_device.sizeBytes = 64 << 20;
        m_device.diskSequence = 41;
        m_device.backingFile = m_root.write("image.img", "image");
        m_root.write("dev/loop4p1", "");
        m_node = m_root.write("dev/disk4s1", "");
    }

    Tools::ProbeCache cache(const std::string& folder)
    {
        return Tools::ProbeCache(folder, m_root / "dev", [this](const std::string&) -> Expected<Tools::ProbeResult> {
            ++m_probes;
            if (m_failing)
                return Error::message("unreadable");
            Tools::ProbeResult result = m_answer;
            result.fromCache = m_answerFromBlkidCache;
            return result;
        });
    }

    // A write one clock tick later than the last, so that its stamp differs.
    static void touch(const std::string& path, const std::string& text)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::ofstream(path, std::ios::app) << text;
    }

    TemporaryFolder m_root { "probecache" };
    Tools::BlockDeviceInfo m_device;
    std::string m_node;
    Tools::ProbeResult m_answer { "ntfs", "Data\nwith \\ line", "0123", "", "dos", "0x7", "", 1234 };
    bool m_answerFromBlkidCache = false;
    bool m_failing = false;
    int m_probes = 0;
};

}

TEST_F(ProbeCacheTest, AnUnchangedDeviceIsReadOnceAndAnyChangeReadsItAgain)
{
    auto probes = cache(m_root / "cache");
    auto first = probes.probe(m_node, m_device);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->fromCache);
    auto second = probes.probe(m_node, m_device);
    ASSERT_TRUE(second);
    EXPECT_EQ(m_probes, 1) << "the second answer comes from the cache";
    EXPECT_TRUE(second->fromCache);
    EXPECT_EQ(second->label, "Data\nwith \\ line");
    EXPECT_EQ(second->entryScheme, "dos");
    EXPECT_EQ(second->entryType, "0x7");
    EXPECT_EQ(second->size, 1234u);
    EXPECT_TRUE(cache(m_root / "cache").probe(m_node, m_device)->fromCache) << "kept for the next process";

    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        { "the disk got new media", [&] { ++m_device.diskSequence; } },
        { "its size changed", [&] { m_device.sizeBytes *= 2; } },
        { "it was written through the node", [&] { touch(m_node, "x"); } },
        { "it was written through the kernel's node", [&] { touch(m_root / "dev/loop4p1", "x"); } },
        { "the image behind it was written", [&] { touch(m_device.backingFile, "x"); } },
        { "the node was made anew", [&] { fs::remove(m_node); m_root.write("dev/disk4s1", ""); } },
        { "another device took the number", [&] { m_device.number = makedev(259, 4); } },
    };
    for (const auto& [what, change] : changes) {
        const int before = m_probes;
        change();
        EXPECT_FALSE(probes.probe(m_node, m_device)->fromCache) << what;
        EXPECT_EQ(m_probes, before + 1) << what;
        EXPECT_TRUE(probes.probe(m_node, m_device)->fromCache) << what << ", then unchanged";
    }
}

TEST_F(ProbeCacheTest, KeepsOnlyWhatWasReadFromTheDeviceAndAnswersWhereItCannotKeep)
{
    auto probes = cache(m_root / "cache");
    m_answerFromBlkidCache = true;
    (void)probes.probe(m_node, m_device);
    (void)probes.probe(m_node, m_device);
    EXPECT_EQ(m_probes, 2) << "libblkid's cache may be stale; it is not kept again";

    m_answerFromBlkidCache = false;
    m_failing = true;
    EXPECT_FALSE(probes.probe(m_node, m_device));
    m_failing = false;
    EXPECT_FALSE(probes.probe(m_node, m_device)->fromCache) << "a failure is not kept";

    m_root.write("cache/259:3", "garbage\n");
    EXPECT_FALSE(probes.probe(m_node, m_device)->fromCache) << "a damaged entry is read again";
    EXPECT_TRUE(probes.probe(m_node, m_device)->fromCache);

    // A user, who may not read the device, gets libblkid's own cache, which
    // corrupts long NTFS labels: ours, for the unchanged device, wins however old.
    m_answerFromBlkidCache = true;
    m_answer.label = "Long label read by libblkid, two bytes swapped";
    m_root.write("cache/259:3", probes.identity(m_node, m_device) + "\n" + std::to_string(std::time(nullptr) - 3600)
                                    + "\nntfs\nLong label read from the volume\n0123\n\ndos\n0x7\n\n1234\n");
    EXPECT_EQ(probes.probe(m_node, m_device)->label, "Long label read from the volume");
    ++m_device.diskSequence;
    EXPECT_EQ(probes.probe(m_node, m_device)->label, m_answer.label) << "not for other media";
    m_answerFromBlkidCache = false;

    const std::string missingNode = m_root / "dev/disk9s1";
    EXPECT_FALSE(probes.probe(missingNode, m_device)->fromCache);
    EXPECT_FALSE(probes.probe(missingNode, m_device)->fromCache) << "a node that cannot be stamped is never cached";

    auto unwritable = cache(m_root.write("file", "") + "/cache");
    auto answer = unwritable.probe(m_node, m_device);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->fsType, "ntfs") << "a folder it cannot write costs only the cache";
}
