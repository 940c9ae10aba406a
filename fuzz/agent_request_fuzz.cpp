// Request handling from the notification's object to the file: whatever a local
// process broadcasts, the agent must not crash, and the table on disk must stay
// exactly what the editor holds, with no line the requests did not ask for.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "Agent/Manager.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/InProcessNotificationBus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/parvex-agent-fuzz.XXXXXX";
        return std::string(::mkdtemp(pattern));
    }();
    const std::string path = folder + "/fstab";
    const std::string foreign = "UUID=1 / ext4 defaults 0 1";
    FileManager::writeAtomically(path, foreign);

    auto bus = std::make_shared<InProcessNotificationBus>();
    DistributedNotificationCenter center(bus);
    Manager manager(center, path, [](uid_t) { return true; });

    // Each input is a series of requests separated by 0xFF; a request's first
    // byte picks the kind of object.
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\xff', start);
        std::string piece = input.substr(start, end == std::string::npos ? std::string::npos : end - start);
        Notification request{Manager::requestName, std::nullopt, 0};
        if (!piece.empty() && piece[0] == '\x01')
            request.object = static_cast<std::int64_t>(piece.size());
        else if (piece.empty() || piece[0] != '\x02')
            request.object = piece;
        manager.doEvent(request);
        if (const FSTab* fstab = manager.fstab()) {
            std::string joined;
            for (size_t i = 0; i < fstab->volumes().size(); ++i)
                joined += (i ? "\n" : "") + fstab->volumes()[i];
            auto disk = FileManager::contents(path);
            if (!disk || *disk != joined)
                std::abort();
            if (disk->find(foreign) == std::string::npos)
                std::abort();  // nothing may remove the user's own line
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return 0;
}
