// The settings app's installer code as its buttons run it, built as the
// executable of a test bundle (Contents/MacOS/Parvex) so the main bundle is
// found as the app finds it. Without arguments: the plug-in button, exiting 0
// when the agent was blessed. "login-item on|off": the login-item check box.
#include <string>

#include "App/HelperApp.h"
#include "App/JobBless.h"
#include "Shared/Console.h"

int main(int argc, char** argv)
{
    Console::shared().setPath("/Users/tamsel/Parvex.txt");
    if (argc == 3 && std::string(argv[1]) == "login-item") {
        HelperApp::shared().setLoginItemEnabled(std::string(argv[2]) == "on");
        return 0;
    }
    return JobBless::createAuthorization() && JobBless::install() ? 0 : 1;
}
