#include <gtest/gtest.h>

#include "Platform/AppKit/NSBundle.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/ProcessEntry.h"
#include "Platform/Foundation/FileManager.h"
#include "TempBundle.h"

TEST(NSBundleTest, ReadsInfoAndFindsResourcesOfAnApplicationBundle)
{
    TempFolder folder;
    std::string path = folder.makeBundle("Demo", "top.example.Demo", "demo");
    FileManager::writeAtomically(path + "/Contents/MacOS/demo", "#!/bin/sh\n", 0755);
    FileManager::writeAtomically(path + "/Contents/Resources/notes.txt", "hello");

    NSBundle bundle(path + "/");
    EXPECT_TRUE(bundle.exists());
    EXPECT_EQ(bundle.bundlePath(), path);
    EXPECT_EQ(bundle.bundleURL(), path);
    EXPECT_EQ(bundle.bundleIdentifier(), "top.example.Demo");
    EXPECT_EQ(bundle.resourcePath(), path + "/Contents/Resources");
    EXPECT_EQ(bundle.executablePath(), path + "/Contents/MacOS/demo");
    EXPECT_EQ(bundle.path("notes", "txt"), path + "/Contents/Resources/notes.txt");
    EXPECT_EQ(bundle.path("notes.txt", ""), path + "/Contents/Resources/notes.txt");
    EXPECT_EQ(bundle.path("missing", "txt"), std::nullopt);

    const auto& info = bundle.infoDictionary();
    EXPECT_EQ(std::get<bool>(info.at("LSUIElement")), true);
    EXPECT_EQ(std::get<std::int64_t>(info.at("Build")), 42);
    EXPECT_DOUBLE_EQ(std::get<double>(info.at("Scale")), 1.5);
    EXPECT_EQ(info.count("CFBundleURLTypes"), 0u);
    EXPECT_EQ(bundle.string("LSUIElement"), std::nullopt);
}

TEST(NSBundleTest, MissingOrBrokenPartsGiveNothing)
{
    TempFolder folder;
    std::string path = folder.makeBundle("Bare", "", "bare");
    NSBundle noIdentifier(path);
    EXPECT_EQ(noIdentifier.bundleIdentifier(), std::nullopt);
    // Info.plist names an executable that is not there.
    EXPECT_EQ(noIdentifier.executablePath(), std::nullopt);

    FileManager::writeAtomically(path + "/Contents/Info.plist", "not a property list");
    NSBundle broken(path);
    EXPECT_TRUE(broken.infoDictionary().empty());

    NSBundle missing(folder.path() + "/Nothing.app");
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.bundleIdentifier(), std::nullopt);
}

TEST(NSBundleTest, ExecutableInContentsMacOSBelongsToTheBundle)
{
    EXPECT_EQ(NSBundle::bundlePathForExecutable("/A/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu"),
              "/A/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app");
    // A helper elsewhere inside a bundle is not that bundle's application.
    EXPECT_EQ(NSBundle::bundlePathForExecutable("/A/Parvex.app/Contents/Library/LaunchServices/agent"), std::nullopt);
    EXPECT_EQ(NSBundle::bundlePathForExecutable("/usr/bin/sleep"), std::nullopt);
    EXPECT_EQ(NSBundle::bundlePathForExecutable("/Contents/MacOS/x"), std::nullopt);

    EXPECT_EQ(NSBundle::forExecutable("/usr/bin/sleep")->bundlePath(), "/usr/bin");
}

TEST(NSBundleTest, MainBundleOfATestProgramIsItsFolderAndCanBeReplaced)
{
    auto executable = ProcessEntry::executableOf("self");
    ASSERT_TRUE(executable);
    auto main = NSBundle::main();
    EXPECT_EQ(main->bundlePath() + "/" + FileManager::lastPathComponent(*executable), *executable);
    EXPECT_EQ(main->bundleIdentifier(), std::nullopt);

    TempFolder folder;
    auto replacement = std::make_shared<NSBundle>(folder.makeBundle("Main", "top.example.Main", "main"));
    NSBundle::setMain(replacement);
    EXPECT_EQ(NSBundle::main(), replacement);
    NSBundle::setMain(nullptr);
    EXPECT_EQ(NSBundle::main()->bundlePath(), main->bundlePath());
}

TEST(NSImageTest, NamedImagesArePngFilesInResources)
{
    TempFolder folder;
    std::string path = folder.makeBundle("Icons", "top.example.Icons", "icons");
    FileManager::writeAtomically(path + "/Contents/Resources/statusIcon.png", pngHeader(18, 16));
    FileManager::writeAtomically(path + "/Contents/Resources/fake.png", "GIF89a not a png at all");
    FileManager::writeAtomically(path + "/Contents/Resources/short.png", pngHeader(1, 1).substr(0, 20));
    FileManager::writeAtomically(path + "/Contents/Resources/empty.png", pngHeader(0, 16));
    NSBundle bundle(path);

    auto icon = NSImage::named("statusIcon", bundle);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->name(), "statusIcon");
    EXPECT_EQ(icon->pixelsWide(), 18u);
    EXPECT_EQ(icon->pixelsHigh(), 16u);
    EXPECT_EQ(icon->data(), pngHeader(18, 16));
    EXPECT_NE(NSImage::named("statusIcon.png", bundle), nullptr);

    EXPECT_EQ(NSImage::named("missing", bundle), nullptr);
    EXPECT_EQ(NSImage::named("fake", bundle), nullptr);
    EXPECT_EQ(NSImage::named("short", bundle), nullptr);
    EXPECT_EQ(NSImage::named("empty", bundle), nullptr);
    EXPECT_EQ(NSImage::named("../Info", bundle), nullptr);

    NSBundle::setMain(std::make_shared<NSBundle>(path));
    EXPECT_NE(NSImage::named("statusIcon"), nullptr);
    NSBundle::setMain(nullptr);
    EXPECT_EQ(NSImage::named("statusIcon"), nullptr);
}
