// The background update check: Sparkle's version order, reading appcasts,
// and whole checks against a file feed and a local HTTP server.
#include <gmock/gmock.h>

#include "FeedServer.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Sparkle/SPUStandardUserDriver.h"
#include "Platform/Sparkle/SPUUpdater.h"
#include "Platform/Sparkle/SUAppcast.h"
#include "Platform/Sparkle/SUStandardVersionComparator.h"
#include "support/TemporaryFolder.h"

using ::testing::HasSubstr;

namespace {

std::string appcast(const std::string& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
           "<channel><title>Parvex</title>\n" + items + "</channel></rss>\n";
}

std::string item(const std::string& title, const std::string& version, const std::string& shortVersion = "")
{
    std::string text = "<item><title>" + title + "</title><sparkle:version>" + version + "</sparkle:version>";
    if (!shortVersion.empty())
        text += "<sparkle:shortVersionString>" + shortVersion + "</sparkle:shortVersionString>";
    return text + "<enclosure url=\"https://example.invalid/Parvex.zip\" length=\"1\" type=\"application/octet-stream\"/></item>\n";
}

// An app bundle whose Info.plist names `feed` (none when empty) and version 1.0.
std::shared_ptr<NSBundle> bundle(const TemporaryFolder& folder, const std::string& feed)
{
    std::string path = folder / "Parvex.app";
    std::string entries = "<key>CFBundleVersion</key><string>1.0</string>";
    if (!feed.empty())
        entries += "<key>SUFeedURL</key><string>" + feed + "</string>";
    writeFile(path + "/Contents/Info.plist",
                                 "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + entries + "</dict></plist>");
    return std::make_shared<NSBundle>(path);
}

// Runs one check to its end and returns the one line the user heard.
std::string check(const std::shared_ptr<NSBundle>& host, SUFeedFetcher::Limits limits = {})
{
    std::vector<std::string> lines;
    auto driver = std::make_shared<SPUStandardUserDriver>("Parvex", [&](const std::string& line) { lines.push_back(line); });
    auto updater = std::make_shared<SPUUpdater>(host, driver, limits);
    updater->checkForUpdatesInBackground();
    // A second request while one runs adds nothing.
    if (updater->sessionInProgress())
        updater->checkForUpdatesInBackground();
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return !updater->sessionInProgress(); }, 30));
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(lines.size(), 1u) << "one check at a time, one outcome";
    return lines.empty() ? "" : lines.front();
}

}  // namespace

TEST(SUStandardVersionComparator, OrdersVersionsAsSparkleDoes)
{
    const std::tuple<const char*, const char*, int> cases[] = {
        {"1.0", "1.0", 0},      {"1.0", "1.1", -1},     {"1.10", "1.9", 1},     {"2", "10", -1},
        {"1.0.1", "1.0", 1},    {"1.0b1", "1.0", -1},   {"1.0b2", "1.0b10", -1}, {"1.0a", "1.0b", -1},
        {"1.0", "1.0.0", -1},   {"007", "7", 0},        {"99999999999999999999", "1", 1},
        {"", "1", -1},
    };
    for (const auto& [a, b, order] : cases) {
        EXPECT_EQ(SUStandardVersionComparator::compareVersions(a, b), order) << a << " vs " << b;
        EXPECT_EQ(SUStandardVersionComparator::compareVersions(b, a), -order) << b << " vs " << a;
    }
}

TEST(SUAppcast, TakesTheHighestVersionWhereverItStandsAndReadsBothPlacesOfIt)
{
    auto feed = SUAppcast::parse(appcast(item("一", "1.9", "1.9") + item("二", "1.10", "1.10 Beta")
                                         + "<item><title>no version</title></item>"
                                         + "<item><title>三</title><enclosure sparkle:version=\"1.2\" "
                                           "sparkle:shortVersionString=\"1.2.0\" url=\"x\"/></item>"));
    ASSERT_TRUE(feed) << feed.error().description;
    ASSERT_EQ(feed->items().size(), 3u) << "the item without a version is left out";
    EXPECT_EQ(feed->items()[2].versionString, "1.2");
    EXPECT_EQ(feed->items()[2].displayVersionString, "1.2.0");
    auto newest = feed->newestItem();
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->title, "二");
    EXPECT_EQ(newest->displayVersionString, "1.10 Beta");
}

TEST(SUAppcast, RefusesWhatIsNoFeedAndAnyDocumentTypeAndBoundsItsTexts)
{
    for (const char* text : {"", "<rss><channel>", "<html><body/></html>", "not xml at all", "<rss/>"})
        EXPECT_FALSE(SUAppcast::parse(text)) << text;
    EXPECT_FALSE(SUAppcast::parse(appcast(""))->newestItem());

    // Entities are expanded when a text is read, whatever the parse was told:
    // one entity of 100 bytes used 3,000 times in a 110 KB feed made a
    // 300 MB title. Any document type is refused before a text is read.
    auto withDoctype = [](const std::string& declarations, const std::string& title) {
        return SUAppcast::parse("<?xml version=\"1.0\"?><!DOCTYPE rss [" + declarations + "]>"
                                "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><item>"
                                "<title>" + title + "</title><sparkle:version>2.0</sparkle:version></item></channel></rss>");
    };
    std::string references;
    for (int i = 0; i < 3000; ++i)
        references += "&a;";
    for (const auto& [declarations, title] : {std::pair{"<!ENTITY a \"" + std::string(100, 'a') + "\">", references},
                                              {"<!ENTITY secret SYSTEM \"file:///etc/passwd\">", "&secret;"},
                                              {"", "plain"}}) {
        auto refused = withDoctype(declarations, title);
        ASSERT_FALSE(refused) << declarations;
        EXPECT_THAT(refused.error().description, HasSubstr("document type")) << declarations;
    }

    // What reaches the log is a title's worth, cut between characters.
    std::string longTitle;
    for (int i = 0; i < 1000; ++i)
        longTitle += "新";
    auto bounded = SUAppcast::parse(appcast(item(longTitle, "2." + std::string(1000, '1'))));
    ASSERT_TRUE(bounded);
    EXPECT_EQ(bounded->newestItem()->title, longTitle.substr(0, 255)) << "85 characters of 3 bytes";
    EXPECT_EQ(bounded->newestItem()->versionString.size(), 256u);
}

TEST(SPUUpdater, AFileFeedTellsOfANewerVersionOrThatTheAppIsUpToDate)
{
    TemporaryFolder folder("updates");
    std::string newer = folder / "newer.xml", same = folder / "same.xml";
    writeFile(newer, appcast(item("Parvex 2.0", "2.0") + item("Parvex 1.0", "1.0")));
    writeFile(same, appcast(item("Parvex 1.0", "1.0")));
    EXPECT_EQ(check(bundle(folder, "file://" + newer)),
              "A newer version of Parvex is available: 2.0, \"Parvex 2.0\"; this is version 1.0.");
    EXPECT_EQ(check(bundle(folder, "file://" + same)),
              "Parvex is up to date: version 1.0; the newest in the update feed is 1.0, \"Parvex 1.0\".");
    EXPECT_THAT(check(bundle(folder, "")), HasSubstr("no update feed is set"));
    EXPECT_THAT(check(bundle(folder, "file://" + folder / "missing.xml")), HasSubstr("could not be fetched"));
    EXPECT_THAT(check(bundle(folder, "ftp://127.0.0.1/feed.xml")), HasSubstr("could not be fetched"));
}

TEST(SPUUpdater, AnHTTPFeedThatIsMissingSlowHugeOrMalformedChangesNothingButTheLine)
{
    TemporaryFolder folder("updates");
    FeedServer server({{"/feed.xml", appcast(item("Parvex 1.1", "1.1"))}, {"/bad.xml", "<rss><channel><item>"}});
    SUFeedFetcher::Limits limits{std::chrono::milliseconds(500), 64 * 1024};
    EXPECT_THAT(check(bundle(folder, server.url("/feed.xml")), limits), HasSubstr("available: 1.1"));
    const std::pair<const char*, const char*> failures[] = {
        {"/missing.xml", "404"},
        {"/slow", "could not be fetched"},
        {"/endless", "larger than 65536 bytes"},
        {"/bad.xml", "not well-formed"},
    };
    for (const auto& [path, why] : failures) {
        std::string line = check(bundle(folder, server.url(path)), limits);
        EXPECT_THAT(line, HasSubstr("No update check: ")) << path;
        EXPECT_THAT(line, HasSubstr(why)) << path;
    }
}
