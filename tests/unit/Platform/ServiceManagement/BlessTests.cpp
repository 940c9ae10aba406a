#include <gmock/gmock.h>
#include <sys/stat.h>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/ServiceManagement/CodeRequirement.h"
#include "Platform/ServiceManagement/ELFSection.h"
#include "Platform/ServiceManagement/HelperToolVerifier.h"
#include "Platform/ServiceManagement/JobBlessInstaller.h"
#include "Platform/ServiceManagement/LaunchDaemonStarter.h"
#include "Platform/ServiceManagement/ServiceManagement.h"
#include "support/Bundles.h"

using ::testing::HasSubstr;

namespace {

const std::string kRequirement = "identifier \"top.kestrova.macOS.Parvex.Agent\" and anchor apple generic";

// An app bundle carrying the built agent, with an Info.plist the test shapes.
class BlessBundle : public ::testing::Test {
protected:
    std::string makeApp(const std::string& identifier, const std::string& privileged, const std::string& tool = kBuiltAgent)
    {
        std::string name = "App" + std::to_string(++m_count) + "/Parvex.app";
        std::string app = m_folder / name;
        m_folder.write(name + "/Contents/Info.plist",
                       plistWith(stringEntry("CFBundleIdentifier", identifier)
                                 + "<key>SMPrivilegedExecutables</key><dict>" + privileged + "</dict>\n"));
        std::string target = app + "/Contents/Library/LaunchServices/" + kAgentLabel;
        std::filesystem::create_directories(app + "/Contents/Library/LaunchServices");
        std::filesystem::copy_file(tool, target, std::filesystem::copy_options::overwrite_existing);
        return app;
    }
    std::string makeApp() { return makeApp("top.kestrova.macOS.Parvex", stringEntry(kAgentLabel, kRequirement)); }

    Expected<VerifiedHelperTool> verify(const std::string& app) { return HelperToolVerifier::verify(app, kAgentLabel); }

    TemporaryFolder m_folder{"install"};
    int m_count = 0;
};

}  // namespace

TEST(CodeRequirement, FindsTheIdentifierTheRequirementDemands)
{
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {kRequirement, "top.kestrova.macOS.Parvex.Agent"},
        {"anchor apple and identifier = top.kestrova.macOS.Parvex", "top.kestrova.macOS.Parvex"},
        {"identifier \"a\\\"b\"", "a\"b"},
        // The word inside a quoted value or another word is no keyword.
        {"certificate leaf[subject.CN] = \"identifier x\"", std::nullopt},
        {"myidentifier \"x\"", std::nullopt},
        {"identifier \"unterminated", std::nullopt},
    };
    for (const auto& [requirement, identifier] : cases)
        EXPECT_EQ(CodeRequirement::identifier(requirement), identifier) << requirement;
}

TEST(ELFSection, TheBuiltAgentCarriesBothPropertyListsAndOtherFilesNone)
{
    auto info = PropertyListSerialization::propertyList(ELFSection::contents(kBuiltAgent, "__info_plist").valueOr(""));
    ASSERT_TRUE(info && info->dictionary());
    EXPECT_EQ(info->dictionary()->at("CFBundleIdentifier"), PropertyListValue(kAgentLabel));
    auto launchd = PropertyListSerialization::propertyList(ELFSection::contents(kBuiltAgent, "__launchd_plist").valueOr(""));
    ASSERT_TRUE(launchd);
    EXPECT_EQ(*launchd, PropertyListValue(PropertyListValue::Dictionary{{"Label", kAgentLabel}, {"RunAtLoad", true}}));

    EXPECT_FALSE(ELFSection::contents(kBuiltAgent, "__missing"));
    EXPECT_FALSE(ELFSection::contents("/nonexistent", "__info_plist"));
    auto image = FileManager::contents(kBuiltAgent).valueOr("");
    EXPECT_FALSE(ELFSection::contentsOfImage(std::string_view(image).substr(0, 100), "__info_plist"));
    EXPECT_FALSE(ELFSection::contentsOfImage("#!/bin/sh\n", "__info_plist"));
}

TEST_F(BlessBundle, AMatchingPairPassesAndEachMismatchIsRefusedSayingWhich)
{
    auto tool = verify(makeApp());
    ASSERT_TRUE(tool) << tool.error().description;
    EXPECT_EQ(tool->toolPath, m_folder / "App1/Parvex.app/Contents/Library/LaunchServices/top.kestrova.macOS.Parvex.Agent");
    EXPECT_EQ(tool->launchdList.at("Label"), PropertyListValue(kAgentLabel));

    const std::string parvex = "top.kestrova.macOS.Parvex";
    const struct {
        std::string app;
        long code;
        std::string says;
    } cases[] = {
        {makeApp("top.kestrova.macOS.Other", stringEntry(kAgentLabel, kRequirement)), kSMErrorInvalidSignature,
         "SMAuthorizedClients does not name the app's identifier \"top.kestrova.macOS.Other\""},
        {makeApp(parvex, stringEntry("top.kestrova.macOS.Parvex.Other", kRequirement)), kSMErrorInvalidSignature,
         "does not name top.kestrova.macOS.Parvex.Agent under SMPrivilegedExecutables"},
        {makeApp(parvex, stringEntry(kAgentLabel, "identifier \"top.kestrova.macOS.Other\"")), kSMErrorInvalidSignature,
         "names the identifier \"top.kestrova.macOS.Other\", not the helper tool's"},
        {makeApp(parvex, stringEntry(kAgentLabel, kRequirement), "/bin/true"), kSMErrorInvalidPlist,
         "has no embedded information property list"},
    };
    for (const auto& test : cases) {
        auto verified = verify(test.app);
        ASSERT_FALSE(verified) << test.says;
        EXPECT_EQ(verified.error().code, test.code) << test.says;
        EXPECT_THAT(verified.error().description, HasSubstr(test.says));
    }

    std::string app = makeApp();
    ::unlink((app + "/Contents/Library/LaunchServices/" + kAgentLabel).c_str());
    for (const auto& verified : {verify(app), HelperToolVerifier::verify(makeApp(), "../escape")}) {
        ASSERT_FALSE(verified);
        EXPECT_EQ(verified.error().code, kSMErrorToolNotValid);
    }
}

TEST_F(BlessBundle, UnderSystemdTheToolBecomesAnEnabledUnit)
{
    JobBlessLocations places;
    places.privilegedHelperTools = m_folder / "Library/PrivilegedHelperTools";
    places.launchDaemons = m_folder / "Library/LaunchDaemons";
    places.systemdUnits = m_folder / "etc/systemd/system";
    places.systemdRuntime = m_folder / "run/systemd/system";
    places.systemctl = m_folder.write("systemctl", "#!/bin/sh\necho \"$@\" >> '" + m_folder / "systemctl.calls" + "'\n", 0755);
    std::filesystem::create_directories(places.systemdRuntime);
    // An earlier install left a file that anybody could change.
    m_folder.write("Library/PrivilegedHelperTools/top.kestrova.macOS.Parvex.Agent", "old", 0777);
    ::chmod(places.privilegedHelperTools.c_str(), 0777);

    JobBlessInstaller installer(places);
    auto blessed = installer.bless(makeApp(), kAgentLabel);
    ASSERT_TRUE(blessed) << blessed.error().description;

    std::string tool = installer.toolPath(kAgentLabel);
    EXPECT_EQ(FileManager::contents(tool), FileManager::contents(kBuiltAgent));
    struct stat info {};
    ASSERT_EQ(::stat(tool.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    ASSERT_EQ(::stat(places.privilegedHelperTools.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 022, 0u) << "the folder is writable by its owner only";

    auto list = PropertyListSerialization::propertyList(FileManager::contents(installer.launchdListPath(kAgentLabel)).valueOr(""));
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, PropertyListValue(PropertyListValue::Dictionary{{"Label", kAgentLabel}, {"RunAtLoad", true}, {"Program", tool}}));

    EXPECT_EQ(FileManager::contents(places.systemdUnits + "/top.kestrova.macOS.Parvex.Agent.service"),
              LaunchDaemonStarter::unitText(kAgentLabel, tool));
    EXPECT_THAT(LaunchDaemonStarter::unitText(kAgentLabel, tool), HasSubstr("\nExecStart=" + tool + "\n"));
    EXPECT_EQ(FileManager::contents(m_folder / "systemctl.calls"),
              "stop top.kestrova.macOS.Parvex.Agent.service\ndaemon-reload\nenable --now top.kestrova.macOS.Parvex.Agent.service\n");
}

TEST(SMJobBless, WantsTheSystemDomainAndTheBlessingRight)
{
    auto unauthorized = std::make_shared<AuthorizationOpaqueRef>();
    CFErrorRef error;
    EXPECT_FALSE(SMJobBless(kSMDomainSystemLaunchd, kAgentLabel, unauthorized, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), kSMErrorAuthorizationFailure);
    EXPECT_EQ(error->domain(), "CFErrorDomainLaunchd");
    EXPECT_FALSE(SMJobBless(kSMDomainSystemLaunchd, kAgentLabel, nullptr, nullptr));

    unauthorized->grantedRights.insert(kSMRightBlessPrivilegedHelper);
    EXPECT_FALSE(SMJobBless(kSMDomainUserLaunchd, kAgentLabel, unauthorized, &error));
    ASSERT_TRUE(error);
    EXPECT_THAT(error->description(), HasSubstr("system launchd domain"));
}
