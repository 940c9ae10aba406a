#include <gmock/gmock.h>

#include "App/UpdateAnnouncer.h"
#include "support/RecordingNotificationCenter.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(UpdateAnnouncer, OnlyANewerVersionIsToldOnTheDesktopAndEveryOutcomeIsLogged)
{
    auto center = std::make_shared<RecordingNotificationCenter>();
    std::vector<std::string> lines;
    UpdateAnnouncer announcer("Parvex", [&](const std::string& line) { lines.push_back(line); }, center);
    const SUAppcastItem newer{"200", "2.0", "Parvex 2.0"};

    announcer.showUpdateNotFound({"100", "1.0", "Parvex 1.0"}, "1.0");
    announcer.showUpdaterError(Error::message("the update feed could not be fetched"));
    EXPECT_TRUE(center->notifications.empty()) << "nothing to tell the user";
    EXPECT_EQ(lines.size(), 2u);

    announcer.showUpdateFound(newer, "1.0");
    ASSERT_EQ(center->notifications.size(), 1u);
    EXPECT_EQ(center->notifications[0].title, "Parvex 有新版本：2.0");
    EXPECT_EQ(center->notifications[0].informativeText, "新版本可以下载了。现在使用的是 1.0。");
    EXPECT_THAT(lines.back(), HasSubstr("A newer version of Parvex is available: 2.0 (200)"));

    // Without a notification daemon the log still has it, and says why the user did not.
    center->daemonRuns = false;
    lines.clear();
    announcer.showUpdateFound(newer, "1.0");
    EXPECT_THAT(lines, ElementsAre(HasSubstr("A newer version"),
                                   "The new version could not be announced on the desktop: "
                                   "no notification daemon on the session bus"));
}
