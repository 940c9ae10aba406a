#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "Platform/Foundation/FileDescriptor.h"
#include "Platform/Foundation/FileDescriptorSource.h"
#include "Platform/Foundation/RunLoop.h"

namespace {

struct Pipe {
    Pipe()
    {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        read.reset(ends[0]);
        write.reset(ends[1]);
    }
    void put(const char* bytes) const { EXPECT_GT(::write(write.get(), bytes, std::strlen(bytes)), 0); }
    char take() const
    {
        char byte = 0;
        EXPECT_EQ(::read(read.get(), &byte, 1), 1);
        return byte;
    }
    FileDescriptor read, write;
};

}  // namespace

TEST(FileDescriptorSource, CallsOnTheRunLoopWhileInputWaitsAndNeverAfterItIsGone)
{
    Pipe pipe;
    std::string taken;
    auto source = std::make_unique<FileDescriptorSource>(pipe.read.get(), [&] { taken += pipe.take(); });
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(taken, "") << "nothing to read, no call";

    // One byte a call: the block runs again for as long as input waits.
    pipe.put("ab");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return taken.size() == 2; }, 5));
    EXPECT_EQ(taken, "ab");
    pipe.put("c");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return taken.size() == 3; }, 5));

    source.reset();
    pipe.put("d");
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(taken, "abc");
}

// A watcher that ends its own watch from the block (a process that has
// ended, a display that went away) must not pull the running block from
// under itself; ASan sees it if it does.
TEST(FileDescriptorSource, ABlockMayEndItsOwnSource)
{
    Pipe pipe;
    int calls = 0;
    std::unique_ptr<FileDescriptorSource> source;
    source = std::make_unique<FileDescriptorSource>(pipe.read.get(), [&] {
        source.reset();
        ++calls;
    });
    pipe.put("x");
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return calls > 0; }, 5));
    // The byte is still there to read, but nobody watches any more.
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(calls, 1);
}
