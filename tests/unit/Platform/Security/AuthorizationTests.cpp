#include <gmock/gmock.h>
#include <unistd.h>

#include <algorithm>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/ProcessEntry.h"
#include "Platform/Security/AuthorizationAuthority.h"
#include "support/TemporaryFolder.h"

namespace {

// Requests go to a pkcheck double that records its arguments and exits with
// the status the test chose.
class Authorization : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pkcheck = m_folder.write("pkcheck", "#!/bin/sh\necho \"$@\" >> '" + m_folder / "calls" + "'\nexit $(cat '"
                                                  + m_folder / "status" + "')\n", 0755);
        answer(0);
    }
    void TearDown() override { AuthorizationAuthority::setShared(nullptr); }

    void answer(int status) const { m_folder.write("status", std::to_string(status) + "\n"); }
    std::string calls() const { return FileManager::contents(m_folder / "calls").valueOr(""); }
    // References made from here on stand for `uid`.
    void actAs(uid_t uid, const std::string& pkcheck = "")
    {
        AuthorizationAuthority::setShared(std::make_shared<AuthorizationAuthority>(pkcheck.empty() ? m_pkcheck : pkcheck, uid));
    }

    static AuthorizationRef create()
    {
        AuthorizationRef reference;
        EXPECT_EQ(AuthorizationCreate(nullptr, nullptr, kAuthorizationFlagDefaults, &reference), errAuthorizationSuccess);
        return reference;
    }
    static OSStatus copyBlessRight(const AuthorizationRef& reference, AuthorizationFlags flags = kInstallFlags)
    {
        AuthorizationItem item{kSMRightBlessPrivilegedHelper, 0, nullptr, 0};
        AuthorizationRights rights{1, &item};
        return AuthorizationCopyRights(reference, &rights, &rights, flags, nullptr);
    }

    static constexpr AuthorizationFlags kInstallFlags = 19;
    TemporaryFolder m_folder{"authorization"};
    std::string m_pkcheck;
};

}  // namespace

TEST_F(Authorization, RootIsGrantedAndAUserIsAskedThroughPolkitOnceForThisProcess)
{
    actAs(0);
    auto root = create();
    EXPECT_EQ(copyBlessRight(root), errAuthorizationSuccess);
    EXPECT_TRUE(root->holds(kSMRightBlessPrivilegedHelper));
    EXPECT_EQ(calls(), "");

    actAs(1000);
    auto reference = create();
    EXPECT_EQ(calls(), "") << "creating a reference asks nothing";
    EXPECT_EQ(copyBlessRight(reference), errAuthorizationSuccess);
    EXPECT_EQ(copyBlessRight(reference), errAuthorizationSuccess) << "a right once granted is held";
    auto self = ProcessEntry::read(::getpid());
    ASSERT_TRUE(self);
    EXPECT_EQ(calls(), "--process " + std::to_string(::getpid()) + "," + std::to_string(self->startTicks)
                  + ",1000 --action-id top.kestrova.macos.parvex.blesshelper\n")
        << "pkexec asks when the blessing runs: asking here too would ask twice";
}

TEST_F(Authorization, PolkitAnswersBecomeThePlatformStatusCodes)
{
    actAs(1000);
    const struct {
        int pkcheckExit;
        AuthorizationFlags flags;
        OSStatus expected;
    } cases[] = {
        {1, kInstallFlags, errAuthorizationDenied},
        {3, kInstallFlags, errAuthorizationCanceled},
        // polkit would grant it after authentication: the blessing's own pkexec
        // asks, unless asking was not allowed.
        {2, kInstallFlags, errAuthorizationSuccess},
        {2, kAuthorizationFlagExtendRights, errAuthorizationInteractionNotAllowed},
        // No polkit daemon on the bus, or other errors.
        {127, kInstallFlags, errAuthorizationDenied},
        {126, kInstallFlags, errAuthorizationDenied},
        // Without extend-rights nobody is asked.
        {0, kAuthorizationFlagInteractionAllowed, errAuthorizationDenied},
    };
    for (const auto& test : cases) {
        answer(test.pkcheckExit);
        auto reference = create();
        EXPECT_EQ(copyBlessRight(reference, test.flags), test.expected) << "pkcheck exit " << test.pkcheckExit;
        EXPECT_EQ(reference->holds(kSMRightBlessPrivilegedHelper), test.expected == errAuthorizationSuccess);
    }
    std::string asked = calls();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), '\n'), 6);

    actAs(1000, "/nonexistent/pkcheck");
    EXPECT_EQ(copyBlessRight(create()), errAuthorizationDenied);
}
