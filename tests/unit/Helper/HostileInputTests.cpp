#include <gmock/gmock.h>

#include "Helper/NTFSManager/NTFSManager.h"
#include "Helper/NTFSManager/ShellText.h"
#include "Platform/Foundation/FileManager.h"
#include "Shared/Console.h"
#include "support/ToolDoubles.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        Console::shared().clear();
        canary = doubles.home() + "/canary";
    }
    // Each way a value could escape its place in a script, each trying to make the canary.
    std::vector<std::string> hostileNames() const
    {
        return {"a'; touch " + canary + "; '", "$(touch " + canary + ")", "`touch " + canary + "`",
                "x; touch " + canary, "x\ntouch " + canary, "x' \"$(touch " + canary + ")\" '"};
    }

    ToolDoubles doubles;
    std::string canary;
};

}  // namespace

TEST(ShellText, PlainValuesStayAsWrittenAndOthersAreQuoted)
{
    EXPECT_EQ(ShellText::quoted("Data"), "'Data'");
    EXPECT_EQ(ShellText::quoted("it's"), "'it'\\''s'");
    EXPECT_EQ(ShellText::word("disk4s1"), "disk4s1");
    EXPECT_EQ(ShellText::word("/dev/disk4s1"), "/dev/disk4s1");
    EXPECT_EQ(ShellText::word("My Disk"), "'My Disk'");
    EXPECT_EQ(ShellText::word("=ls"), "'=ls'");
    EXPECT_EQ(ShellText::word("*"), "'*'");
}

TEST_F(HostileInput, VolumeNamesAndIdentifiersNeverRunAsShellText)
{
    for (const auto& name : hostileNames()) {
        auto volume = std::make_shared<VolumeModel>(name, name, doubles.environment());
        volume->mount();
        volume->showInFinder();
        writeFile(volume->mountFolder() + "/.volume-contents", "");
        ::unlink((volume->mountFolder() + "/.volume-contents").c_str());
        volume->umount();
    }
    EXPECT_FALSE(FileManager::fileExists(canary));
    // Each name reached the tools as one argument, exactly.
    auto opens = doubles.calls("open");
    ASSERT_EQ(opens.size(), hostileNames().size());
    for (size_t i = 0; i < opens.size(); ++i)
        EXPECT_THAT(opens[i].arguments, ElementsAre("/Volumes/" + hostileNames()[i]));
}

TEST_F(HostileInput, ForgedAnswersFromAnyoneRunNothing)
{
    NTFSManager manager(doubles.environment());
    for (const auto& name : hostileNames()) {
        manager.eventCallBackNotification(Notification{"top.kestrova.macOS.Parvex.Helper.do.Finsh", "add," + name, 0});
        manager.eventCallBackNotification(Notification{"top.kestrova.macOS.Parvex.Helper.do.Finsh", "add," + name, 1000});
    }
    EXPECT_FALSE(FileManager::fileExists(canary));
    auto umounts = doubles.calls("diskutil");
    ASSERT_FALSE(umounts.empty());
    EXPECT_THAT(umounts[0].arguments, ElementsAre("umount", hostileNames()[0]));
}

TEST_F(HostileInput, PasswordsReachSudoByteForByteAndNowhereElse)
{
    for (const std::string& password : std::vector<std::string>{"it's", "back\\slash\\n", "$HOME and $(touch " + canary + ")", "`id`", "-n"}) {
        doubles.forget();
        doubles.setPassword(password);
        auto volume = std::make_shared<VolumeModel>("Data", "disk4s1", doubles.environment());
        volume->mount();
        auto sudo = doubles.calls("sudo");
        ASSERT_EQ(sudo.size(), 1u) << password;
        for (auto& call : sudo) {
            EXPECT_EQ(call.arguments[call.arguments.size() - 2], "stdin:" + password);
            // A very short password shows up in unrelated processes' arguments by chance.
            if (password.size() >= 6) {
                EXPECT_EQ(call.arguments.back(), "leaked:no") << "the password showed in a process's arguments";
            }
        }
        // The scratch home's random name may hold a short password by chance.
        auto withoutHome = [&](std::string text) {
            for (size_t at; (at = text.find(doubles.home())) != std::string::npos;)
                text.replace(at, doubles.home().size(), "HOME");
            return text;
        };
        for (auto& script : doubles.scripts())
            EXPECT_THAT(withoutHome(script), Not(HasSubstr(password)));
        EXPECT_THAT(withoutHome(unitLog()), Not(HasSubstr(password)));
        volume->umount();
    }
    EXPECT_FALSE(FileManager::fileExists(canary));
}
