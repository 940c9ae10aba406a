#include <gmock/gmock.h>

#include "support/TemporaryFolder.h"
#include "support/ToolDoubles.h"

// An installed ParvexMenu names its tools' folders: the scripts find its own
// diskutil and open there before anything the desktop's PATH holds (here the
// doubles, first on PATH), and still find the rest of their commands; the
// password still reaches sudo only through the environment.
TEST(VolumeEnvironment, TheInstalledToolsComeBeforeTheDesktopsPath)
{
    ToolDoubles doubles;
    TemporaryFolder installed("installed-tools");
    for (const std::string tool : {"diskutil", "open"})
        writeFile(installed.path() + "/" + tool, "#!/bin/sh\necho \"installed " + tool + " $*\"\n", 0755);
    auto environment = doubles.environment();

    EXPECT_EQ(environment->runScript("diskutil list", ScriptKind::read).result, "");
    EXPECT_EQ(doubles.calls("diskutil").size(), 1u) << "without tools' folders the PATH as started is searched";

    environment->toolsPath = installed.path() + ":/nonexistent";
    std::string password = "pass word";
    auto output = environment->runScript("diskutil list; open /x; print -r -- \"$PARVEX_SUDO_PASSWORD\"; grep -c x <<<x",
                                         ScriptKind::read, &password);
    EXPECT_EQ(output.result, "installed diskutil list\ninstalled open /x\npass word\n1\n");
    EXPECT_EQ(doubles.calls("diskutil").size(), 1u);
    EXPECT_TRUE(doubles.calls("open").empty());
}
