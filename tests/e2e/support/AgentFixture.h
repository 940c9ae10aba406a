#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "support/AnswerCollector.h"
#include "support/ChildProcess.h"

// Starts the real agent inside the sandbox, with /etc/fstab as the test sets it.
class AgentFixture : public ::testing::Test {
protected:
    static constexpr const char* agentPath = PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LaunchServices/top.kestrova.macOS.Parvex.Agent";
    static constexpr const char* fstab = "/etc/fstab";
    static constexpr const char* agentLog = "/tmp/ntfs_cmd.txt";

    void SetUp() override
    {
        if (::getenv("PARVEX_SANDBOX") == nullptr)
            GTEST_SKIP() << "runs only inside scripts/sandbox";
        m_original = readFile(fstab);
    }

    void TearDown() override
    {
        stopAgent();
        if (::getenv("PARVEX_SANDBOX") != nullptr)
            writeFstab(m_original, 0644);
    }

    static void writeFstab(const std::string& content, mode_t mode)
    {
        ::unlink(fstab);
        FILE* file = ::fopen(fstab, "w");
        ::fwrite(content.data(), 1, content.size(), file);
        ::fclose(file);
        ::chmod(fstab, mode);
    }

    void startAgent()
    {
        ::unlink(agentLog);
        m_agent = std::make_unique<ChildProcess>(std::vector<std::string>{agentPath}, "/tmp/agent.stdout");
        ASSERT_TRUE(waitForFileContaining(agentLog, "Running...", 10)) << "the agent did not start";
    }

    void stopAgent()
    {
        if (m_agent)
            m_agent->stop(SIGTERM);
        m_agent.reset();
    }

    std::unique_ptr<ChildProcess> m_agent;
    AnswerCollector m_answers;
    std::string m_original;
};
