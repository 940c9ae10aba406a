#pragma once

#include <sys/mount.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/DiskSandbox.h"
#include "support/MenuApp.h"
#include "support/NtfsFixture.h"

inline size_t count(const std::string& text, const std::string& part)
{
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++found;
    return found;
}

// Automatic mode end to end: the real ParvexMenu, started as the login
// session starts it, finds a plugged-in NTFS volume by itself and mounts it
// read-write on the desktop through sudo and the real disk tools.
class AutomaticMode : public NtfsFixture {
protected:
    void SetUp() override
    {
        NtfsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(MenuApp::isBuilt()) << MenuApp::executable << " is not built";
        ASSERT_TRUE(DiskSandbox::writeSettings(false, "the login password"));
    }

    void TearDown() override
    {
        m_menu.reset();
        NtfsFixture::TearDown();
    }

    // `launcher` as MenuApp takes it: empty for root.
    void startMenu(const std::vector<std::string>& launcher = {})
    {
        // A log left by the previous test would answer our waits.
        std::filesystem::remove(kMenuLog);
        m_menu = std::make_unique<MenuApp>(launcher);
    }

    static std::string log() { return MenuApp::log(); }
    static bool waitForLog(const std::string& text) { return waitForFileContaining(kMenuLog, text, 30); }

    // The volume is mounted read-write at its desktop folder, through its own node.
    bool waitForDesktopMount(const std::string& name, const AttachedDisk& disk)
    {
        return waitUntil([&] { return mountOf(desktopFolder(name), disk.volumeNode()) == "rw"; });
    }

    void quitMenu()
    {
        int status = m_menu->quit();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "ParvexMenu did not end its terminate sequence cleanly (status " << status << ")";
    }

    // Mounts and unmounts a scratch tmpfs `times` times in a row, as fast as
    // the kernel allows: 2 x `times` changes of the mount table.
    static void churnMountTable(int times)
    {
        const std::string folder = "/tmp/ntfs-e2e/churn";
        std::filesystem::create_directories(folder);
        for (int i = 0; i < times; ++i) {
            ASSERT_EQ(::mount("churn", folder.c_str(), "tmpfs", 0, nullptr), 0) << std::strerror(errno);
            ASSERT_EQ(::umount2(folder.c_str(), 0), 0) << std::strerror(errno);
        }
    }

    static constexpr const char* kChanged = "the mount table changed";

    std::unique_ptr<MenuApp> m_menu;
};

