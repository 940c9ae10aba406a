#include <gtest/gtest.h>

#include "Platform/AppKit/NSImage.h"
#include "Platform/Foundation/NSBundle.h"
#include "support/Bundles.h"

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
    ASSERT_EQ(icon->representations().size(), 2u) << "1x and 2x";
    EXPECT_EQ(icon->representations()[0].pixelsWide, 18u);
    EXPECT_EQ(icon->representations()[0].pixelsHigh, 16u);
    EXPECT_EQ(icon->representations()[0].data, pngHeader(18, 16));
    EXPECT_EQ(icon->representations()[1].path, resources + "statusIcon@2x.png");
    EXPECT_EQ(icon->representations()[1].pixelsWide, 36u);
    EXPECT_EQ(icon->symbolicPath(), resources + "statusIcon-symbolic.svg");
    for (const char* name : {"missing", "fake", "short", "empty", "../Info"})
        EXPECT_EQ(NSImage::named(name, bundle), nullptr) << name;
}
