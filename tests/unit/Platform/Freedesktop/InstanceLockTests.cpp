#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "Platform/Freedesktop/InstanceLock.h"
#include "support/TemporaryFolder.h"

TEST(InstanceLock, OneCopyHoldsItUntilItEnds)
{
    TemporaryFolder runtime{"appkit"};
    auto first = std::make_unique<InstanceLock>("top.kestrova.macOS.Parvex.Helper", runtime.path());
    ASSERT_EQ(first->claim(), InstanceLock::Role::primary);
    EXPECT_EQ(first->claim(), InstanceLock::Role::primary) << "asking again changes nothing";

    auto second = std::make_unique<InstanceLock>("top.kestrova.macOS.Parvex.Helper", runtime.path());
    EXPECT_EQ(second->claim(), InstanceLock::Role::secondary);
    InstanceLock other("top.kestrova.macOS.Parvex", runtime.path());
    EXPECT_EQ(other.claim(), InstanceLock::Role::primary) << "another program's lock is its own";

    // A copy of the program ends, however it ends: the kernel lets go of its lock.
    first.reset();
    EXPECT_EQ(second->claim(), InstanceLock::Role::primary);

    // A program the holder started (a mount's FUSE daemon lives on) does not
    // keep it once the holder is gone.
    int started[2];
    ASSERT_EQ(::pipe2(started, O_CLOEXEC), 0);
    pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sleep", "sleep", "30", nullptr);
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    ::close(started[1]);
    char byte;
    EXPECT_EQ(::read(started[0], &byte, 1), 0) << "the pipe closes when the child runs its program";
    ::close(started[0]);
    second.reset();
    InstanceLock third("top.kestrova.macOS.Parvex.Helper", runtime.path());
    EXPECT_EQ(third.claim(), InstanceLock::Role::primary);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(InstanceLock, WithoutARuntimeFolderACopyRunsAloneAndSaysWhy)
{
    InstanceLock nowhere("top.kestrova.macOS.Parvex.Helper", "");
    EXPECT_EQ(nowhere.claim(), InstanceLock::Role::alone);
    EXPECT_NE(nowhere.why().find("XDG_RUNTIME_DIR"), std::string::npos);

    TemporaryFolder runtime{"appkit"};
    InstanceLock missing("top.kestrova.macOS.Parvex.Helper", runtime.path() + "/gone");
    EXPECT_EQ(missing.claim(), InstanceLock::Role::alone);
    EXPECT_FALSE(missing.why().empty());
}
