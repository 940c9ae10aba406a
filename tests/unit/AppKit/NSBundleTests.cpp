#include <gtest/gtest.h>

#include "Platform/AppKit/NSBundle.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/Foundation/FileManager.h"
#include "TempBundle.h"

TEST(NSBundleTest, ReadsInfoAndFindsResourcesAndMissingPartsGiveNothing)
{
    TempFolder folder;
    std::string path = folder.makeBundle("Demo", "top.example.Demo", "demo");
    FileManager::writeAtomically(path + "/Contents/MacOS/demo", "#!/bin/sh\n", 0755);
    FileManager::writeAtomically(path + "/Contents/Resources/notes.txt", "hello");

    NSBundle bundle(path + "/");
    EXPECT_EQ(bundle.bundlePath(), path);
    EXPECT_EQ(bundle.bundleIdentifier(), "top.example.Demo");
    EXPECT_EQ(bundle.executablePath(), path + "/Contents/MacOS/demo");
    EXPECT_EQ(bundle.path("notes", "txt"), path + "/Contents/Resources/notes.txt");
    EXPECT_EQ(bundle.path("missing", "txt"), std::nullopt);
    EXPECT_EQ(std::get<bool>(bundle.infoDictionary().at("LSUIElement")), true);
    EXPECT_EQ(bundle.string("LSUIElement"), std::nullopt) << "not a string";

    // Info.plist names an executable that is not there, and no identifier.
    std::string bare = folder.makeBundle("Bare", "", "bare");
    EXPECT_EQ(NSBundle(bare).bundleIdentifier(), std::nullopt);
    EXPECT_EQ(NSBundle(bare).executablePath(), std::nullopt);
    FileManager::writeAtomically(bare + "/Contents/Info.plist", "not a property list");
    EXPECT_TRUE(NSBundle(bare).infoDictionary().empty());
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
    TempFolder folder;
    std::string path = folder.makeBundle("Icons", "top.example.Icons", "icons");
    std::string resources = path + "/Contents/Resources/";
    FileManager::writeAtomically(resources + "statusIcon.png", pngHeader(18, 16));
    FileManager::writeAtomically(resources + "statusIcon@2x.png", pngHeader(36, 32));
    FileManager::writeAtomically(resources + "statusIcon-symbolic.svg", "<svg/>");
    FileManager::writeAtomically(resources + "fake.png", "GIF89a not a png at all");
    FileManager::writeAtomically(resources + "short.png", pngHeader(1, 1).substr(0, 20));
    FileManager::writeAtomically(resources + "empty.png", pngHeader(0, 16));
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
