#include <gtest/gtest.h>

#include "Platform/AppKit/NSBundle.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/Foundation/FileManager.h"
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

TEST(NSImageTest, NamedImagesAreWellFormedPngFilesInResources)
{
    TemporaryFolder folder{"appkit"};
    std::string path = makeBundle(folder, "Icons", "top.example.Icons", "icons");
    std::string resources = path + "/Contents/Resources/";
    writeFile(resources + "statusIcon.png", pngHeader(18, 16));
    writeFile(resources + "statusIcon@2x.png", pngHeader(36, 32));
    writeFile(resources + "statusIcon-symbolic.svg", "<svg/>");
    writeFile(resources + "fake.png", "GIF89a not a png at all");
    writeFile(resources + "short.png", pngHeader(1, 1).substr(0, 20));
    writeFile(resources + "empty.png", pngHeader(0, 16));
    NSBundle bundle(path);

    auto icon = NSImage::named("statusIcon", bundle);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->pixelsWide(), 18u);
    EXPECT_EQ(icon->pixelsHigh(), 16u);
    EXPECT_EQ(icon->data(), pngHeader(18, 16));
    ASSERT_EQ(icon->representations().size(), 2u) << "1x and 2x";
    EXPECT_EQ(icon->representations()[1].path, resources + "statusIcon@2x.png");
    EXPECT_EQ(icon->representations()[1].pixelsWide, 36u);
    EXPECT_EQ(icon->symbolicPath(), resources + "statusIcon-symbolic.svg");
    for (const char* name : {"missing", "fake", "short", "empty", "../Info"})
        EXPECT_EQ(NSImage::named(name, bundle), nullptr) << name;
}
