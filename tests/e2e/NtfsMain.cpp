#include <gtest/gtest.h>

#include <cstdio>

#include "Shared/Console.h"
#include "support/DiskSandbox.h"

// Where real volumes cannot be mounted (no root, loop devices or FUSE) the
// whole program reports itself skipped to ctest.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The volume code driven in this process logs apart from the real ParvexMenu's own log.
    Console::shared().setPath("/tmp/parvex-e2e-ntfs.txt");
    if (std::string missing = DiskSandbox::missingRequirement(); !missing.empty()) {
        std::printf("SKIP: %s\n", missing.c_str());
        return 77;
    }
    return RUN_ALL_TESTS();
}
