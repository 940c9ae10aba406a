#include "Agent/Manager.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserAccounts.h"
#include "Shared/Console.h"

int main()
{
    Console::shared().setPath("/tmp/ntfs_cmd.txt");
    Console::shared().clear();
    Manager manager(DistributedNotificationCenter::defaultCenter(), "/etc/fstab", &UserAccounts::isAdministrator);
    Console::shared().printLog("Running...", "run()");
    RunLoop::main().run();
    return 0;
}
