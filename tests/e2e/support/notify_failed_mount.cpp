// Reports a failed automatic mount of one volume twice, as the volume code
// does through the notifier's hook, and waits for the deliveries.
//   notify_failed_mount NAME IDENTIFIER
#include <cstdio>

#include "Helper/NTFSManager/MountNotifier.h"
#include "Helper/NTFSManager/VolumeEnvironment.h"
#include "Helper/NTFSManager/VolumeModel.h"
#include "Platform/Foundation/RunLoop.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: notify_failed_mount NAME IDENTIFIER\n");
        return 2;
    }
    auto center = std::make_shared<NSUserNotificationCenter>("Parvex", "top.kestrova.macOS.Parvex");
    MountNotifier notifier(center);
    VolumeModel volume(argv[1], argv[2], VolumeEnvironment::standard());
    notifier.automaticMountFailed(volume);
    notifier.automaticMountFailed(volume);
    RunLoop::main().runUntil([] { return false; }, 1.0);
    return 0;
}
