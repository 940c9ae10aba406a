#include <gtest/gtest.h>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/NSBundle.h"
#include "support/Bundles.h"

TEST(NSBundleTest, ReadsInfoAndFindsResourcesAndMissingPartsGiveNothing)
{
    TemporaryFolder folder{"appkit"};
    std::string path = makeBundle(folder, "Demo", "top.example.Demo", "demo");
    writeFile(path + "/Contents/MacOS/demo", "#!/bin/sh\n", 0755);
    writeFile(path + "/Contents/Resources/notes.txt", "hello");

    NSBundle bundle(path + "/");
    EXPECT_EQ(bundle.bundlePath(), path);
    EXPECT_EQ(bundle.bundleIdentifier(), "top.example.Demo");
    EXPECT_EQ(bundle.executablePath(), path + "/Contents/MacOS/demo");
    EXPECT_EQ(bundle.path("notes", "txt"), path + "/Contents/Resources/notes.txt");
    EXPECT_EQ(bundle.path("missing", "txt"), std::nullopt);
    ASSERT_NE(bundle.objectForInfoDictionaryKey("LSUIElement"), nullptr);
    EXPECT_EQ(*bundle.objectForInfoDictionaryKey("LSUIElement"), PropertyListValue(true));

    // Info.plist names an executable that is not there, and no identifier.
    std::string bare = makeBundle(folder, "Bare", "", "bare");
    EXPECT_EQ(NSBundle(bare).bundleIdentifier(), std::nullopt);
    EXPECT_EQ(NSBundle(bare).executablePath(), std::nullopt);
    writeFile(bare + "/Contents/Info.plist", "not a property list");
    EXPECT_EQ(NSBundle(bare).objectForInfoDictionaryKey("CFBundleExecutable"), nullptr);
    EXPECT_FALSE(NSBundle(folder.path() + "/Nothing.app").exists());
}

TEST(NSBundleTest, OnlyAnExecutableInContentsMacOSBelongsToTheBundle)
{
    EXPECT_EQ(NSBundle::bundlePathForExecutable("/A/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu"),
              "/A/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app");
    EXPECT_EQ(NSBundle::bundlePathForExecutable("/A/Parvex.app/Contents/Library/LaunchServices/agent"), std::nullopt);
    EXPECT_EQ(NSBundle::bundlePathForExecutable("/usr/bin/sleep"), std::nullopt);
    EXPECT_EQ(NSBundle::bundlePathForExecutable("/Contents/MacOS/x"), std::nullopt);
}
