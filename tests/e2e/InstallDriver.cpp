// The settings app's installer code as the plug-in button runs it, built as
// the executable of a test bundle (Contents/MacOS/Parvex) so the main bundle
// is found as the app finds it. Exits 0 when the agent was blessed.
#include "App/JobBless.h"
#include "Shared/Console.h"

int main()
{
    Console::shared().setPath("/Users/tamsel/Parvex.txt");
    return JobBless::createAuthorization() && JobBless::install() ? 0 : 1;
}
