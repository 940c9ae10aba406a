// screenshot_matches SHOT NAME: a screenshot of a desktop test (taken at two
// pixels per point) against tests/e2e/golden/NAME.png: exact away from edges,
// as loose as text at them; PARVEX_UPDATE_GOLDENS=1 replaces the reference
// with the screenshot.
#include <gtest/gtest.h>

#include "support/GoldenImage.h"

namespace {

std::string shot, name;

}  // namespace

TEST(Screenshot, MatchesItsReference)
{
    auto data = FileManager::contents(shot);
    ASSERT_TRUE(data) << shot;
    auto image = NSBitmapImageRep::fromPNG(*data, golden::scale);
    ASSERT_TRUE(image) << shot;
    golden::expectScreenshotMatches(*image, name);
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: screenshot_matches SHOT NAME\n");
        return 2;
    }
    shot = argv[1];
    name = argv[2];
    return RUN_ALL_TESTS();
}
