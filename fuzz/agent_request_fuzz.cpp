// Request handling from the notification's object to the file: whatever a local
// process broadcasts, the agent must not crash, and the table on disk must hold
// the user's own line first and nothing but this system's entries after it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "Agent/Manager.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Text.h"
#include "support/InProcessNotificationBus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/parvex-agent-fuzz.XXXXXX";
        return std::string(::mkdtemp(pattern));
    }();
    const std::string path = folder + "/fstab";
    const std::string foreign = "UUID=1 / ext4 defaults 0 1";
    if (!FileManager::writeAtomically(path, foreign))
        std::abort();

    auto bus = std::make_shared<InProcessNotificationBus>();
    DistributedNotificationCenter center(bus);
    Manager manager(center, path, [](uid_t) { return true; });

    // Each input is a series of requests separated by 0xFF; a request's first
    // byte picks the kind of object.
    for (const auto& piece : Text::split(std::string_view(reinterpret_cast<const char*>(data), size), '\xff', Text::keepEmpty)) {
        Notification request{Manager::requestName, std::nullopt, 0};
        if (!piece.empty() && piece[0] == '\x01')
            request.object = static_cast<std::int64_t>(piece.size());
        else if (piece.empty() || piece[0] != '\x02')
            request.object = piece;
        manager.doEvent(request);
        auto lines = Text::split(FileManager::contents(path).valueOr(""), '\n', Text::keepEmpty);
        if (lines.front() != foreign)
            std::abort();  // nothing may remove the user's own line
        for (size_t index = 1; index < lines.size(); ++index) {
            if (!FSTab::isEntryLine(lines[index]))
                std::abort();
        }
    }
    return 0;
}
