#include <gmock/gmock.h>

#include "App/JobBless.h"
#include "Platform/Security/AuthorizationAuthority.h"
#include "support/TestLog.h"

using ::testing::HasSubstr;

TEST(JobBless, CancellingTheDialogLogsTheCancelStatusAndBlessesNothing)
{
    TestLog log;
    TemporaryFolder folder("jobbless");
    // pkcheck's answer when the user dismisses polkit's dialog.
    std::string pkcheck = folder.write("pkcheck", "#!/bin/sh\nexit 3\n", 0755);
    AuthorizationAuthority::setShared(std::make_shared<AuthorizationAuthority>(pkcheck, 1000));
    ASSERT_TRUE(JobBless::createAuthorization());
    EXPECT_FALSE(JobBless::install());
    AuthorizationAuthority::setShared(nullptr);
    EXPECT_THAT(log.text(), HasSubstr("install() [Line"));
    EXPECT_THAT(log.text(), HasSubstr("Failed to copy AuthorizationRef, return code -60006\n"));
    EXPECT_THAT(log.text(), ::testing::Not(HasSubstr("SMJobBless")));
}
