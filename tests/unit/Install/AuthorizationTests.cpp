#include <gmock/gmock.h>
#include <algorithm>
#include <unistd.h>

#include "App/JobBless.h"
#include "InstallTestSupport.h"
#include "Platform/AppKit/ProcessEntry.h"
#include "Platform/Security/AuthorizationAuthority.h"
#include "Shared/Console.h"

using ::testing::HasSubstr;

namespace {

// A pkcheck that records its arguments and answers with the exit status the
// test chose.
class PkcheckDouble {
public:
    PkcheckDouble()
    {
        m_script = m_folder.write("pkcheck",
                                  "#!/bin/sh\n"
                                  "echo \"$@\" >> '" + m_folder / "calls" + "'\n"
                                  "exit $(cat '" + m_folder / "status" + "')\n",
                                  0755);
        answer(0);
    }
    void answer(int status) const { m_folder.write("status", std::to_string(status) + "\n"); }
    std::string calls() const { return FileManager::contents(m_folder / "calls").value_or(""); }
    const std::string& path() const { return m_script; }

private:
    ScratchFolder m_folder;
    std::string m_script;
};

class Authorization : public ::testing::Test {
protected:
    void TearDown() override { AuthorizationAuthority::setShared(nullptr); }

    // References made from here on stand for `uid`, asked through the double.
    void actAs(uid_t uid) { AuthorizationAuthority::setShared(std::make_shared<AuthorizationAuthority>(m_pkcheck.path(), uid)); }

    static OSStatus copyBlessRight(const AuthorizationRef& reference, AuthorizationFlags flags)
    {
        AuthorizationItem item{kSMRightBlessPrivilegedHelper, 0, nullptr, 0};
        AuthorizationRights rights{1, &item};
        return AuthorizationCopyRights(reference, &rights, &rights, flags, nullptr);
    }

    static constexpr AuthorizationFlags kInstallFlags = 19;
    PkcheckDouble m_pkcheck;
};

}  // namespace

TEST_F(Authorization, RootIsGrantedWithoutAskingPolkit)
{
    actAs(0);
    AuthorizationRef reference;
    ASSERT_EQ(AuthorizationCreate(nullptr, nullptr, kAuthorizationFlagDefaults, &reference), errAuthorizationSuccess);
    ASSERT_TRUE(reference);
    EXPECT_EQ(copyBlessRight(reference, kInstallFlags), errAuthorizationSuccess);
    EXPECT_TRUE(reference->holds(kSMRightBlessPrivilegedHelper));
    EXPECT_EQ(m_pkcheck.calls(), "");
}

TEST_F(Authorization, AUserIsAskedThroughPolkitForThisProcessAndOurAction)
{
    actAs(1000);
    AuthorizationRef reference;
    ASSERT_EQ(AuthorizationCreate(nullptr, nullptr, kAuthorizationFlagDefaults, &reference), errAuthorizationSuccess);
    EXPECT_EQ(m_pkcheck.calls(), "") << "creating a reference asks nothing";

    EXPECT_EQ(copyBlessRight(reference, kInstallFlags), errAuthorizationSuccess);
    auto self = ProcessEntry::read(::getpid());
    ASSERT_TRUE(self);
    EXPECT_EQ(m_pkcheck.calls(), "--process " + std::to_string(::getpid()) + "," + std::to_string(self->startTicks)
                  + ",1000 --action-id top.kestrova.macos.parvex.blesshelper --allow-user-interaction\n");

    // A right once granted is held; polkit is not asked again.
    EXPECT_EQ(copyBlessRight(reference, kInstallFlags), errAuthorizationSuccess);
    std::string calls = m_pkcheck.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), '\n'), 1);
}

TEST_F(Authorization, PolkitAnswersBecomeThePlatformStatusCodes)
{
    actAs(1000);
    struct Case {
        int pkcheckExit;
        AuthorizationFlags flags;
        OSStatus expected;
    };
    const Case cases[] = {
        {1, kInstallFlags, errAuthorizationDenied},
        {3, kInstallFlags, errAuthorizationCanceled},
        // No authentication agent could ask: denied.
        {2, kInstallFlags, errAuthorizationDenied},
        {2, kAuthorizationFlagExtendRights, errAuthorizationInteractionNotAllowed},
        // No polkit daemon on the bus, or other errors.
        {127, kInstallFlags, errAuthorizationDenied},
        {126, kInstallFlags, errAuthorizationDenied},
    };
    for (const auto& test : cases) {
        m_pkcheck.answer(test.pkcheckExit);
        AuthorizationRef reference;
        ASSERT_EQ(AuthorizationCreate(nullptr, nullptr, 0, &reference), errAuthorizationSuccess);
        EXPECT_EQ(copyBlessRight(reference, test.flags), test.expected) << "pkcheck exit " << test.pkcheckExit;
        EXPECT_FALSE(reference->holds(kSMRightBlessPrivilegedHelper));
    }
    EXPECT_EQ(errAuthorizationDenied, -60005);
    EXPECT_EQ(errAuthorizationCanceled, -60006);
}

TEST_F(Authorization, WithoutPkcheckOrExtendRightsNothingIsGranted)
{
    AuthorizationAuthority::setShared(std::make_shared<AuthorizationAuthority>("/nonexistent/pkcheck", 1000));
    AuthorizationRef reference;
    ASSERT_EQ(AuthorizationCreate(nullptr, nullptr, 0, &reference), errAuthorizationSuccess);
    EXPECT_EQ(copyBlessRight(reference, kInstallFlags), errAuthorizationDenied);

    actAs(1000);
    EXPECT_EQ(copyBlessRight(reference, kAuthorizationFlagInteractionAllowed), errAuthorizationDenied);
    EXPECT_EQ(m_pkcheck.calls(), "") << "without extend-rights nobody is asked";
}

TEST_F(Authorization, CancellingTheDialogMakesInstallLogTheCancelStatus)
{
    actAs(1000);
    m_pkcheck.answer(3);
    ASSERT_TRUE(JobBless::createAuthorization());
    EXPECT_FALSE(JobBless::install());
    std::string log = FileManager::contents(Console::programLogPath()).value_or("");
    EXPECT_THAT(log, HasSubstr("install()"));
    EXPECT_THAT(log, HasSubstr("Failed to copy AuthorizationRef, return code -60006\n"));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("SMJobBless")));
}
