#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "Platform/Foundation/FileManager.h"

#include "support/AnswerCollector.h"
#include "support/ChildProcess.h"

// The real agent inside the sandbox, with /etc/fstab as the test sets it and
// given back as it was afterwards.
class AgentFixture : public ::testing::Test {
protected:
    static constexpr const char* fstab = "/etc/fstab";

    void SetUp() override
    {
        if (::getenv("PARVEX_SANDBOX") == nullptr)
            GTEST_SKIP() << "runs only inside scripts/sandbox";
        m_original = readFile(fstab);
    }

    void TearDown() override
    {
        m_agent.reset();
        if (::getenv("PARVEX_SANDBOX") != nullptr)
            writeFstab(m_original, 0644);
    }

    static void writeFstab(const std::string& content, mode_t mode)
    {
        ::unlink(fstab);
        std::ofstream(fstab, std::ios::binary) << content;
        ::chmod(fstab, mode);
    }

    // The line the agent writes for a volume.
    static std::string entry(const std::string& name) { return "LABEL=" + name + " none ntfs rw,auto,nobrowse"; }

    void start() { ASSERT_TRUE(m_agent = startAgent()) << "the agent did not start"; }

    std::unique_ptr<ChildProcess> m_agent;
    AnswerCollector m_answers;
    std::string m_original;
};
