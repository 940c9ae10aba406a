// Request handling from the notification's object to the file: whatever a local
// process broadcasts, the agent must not crash, and the table on disk must hold
// the user's own line first and nothing but this system's entries after it,
// each of which libmount reads as the mount of one NTFS volume by its label.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "Agent/Manager.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Text.h"
#include "support/FstabEntries.h"
#include "support/InProcessNotificationBus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/parvex-agent-fuzz.XXXXXX";
        return std::string(::mkdtemp(pattern));
    }();
    const std::string path = folder + "/fstab";
    const std::string foreign = "UUID=1 / ext4 defaults 0 1";
    if (!FileManager::writeAtomically(path, foreign + "\n"))
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
        std::string text = FileManager::contents(path).valueOr("");
        auto lines = Text::split(text, '\n');
        if (lines.front() != foreign || !text.ends_with('\n'))
            std::abort();  // nothing may remove the user's own line or leave one unended
        for (size_t index = 1; index < lines.size(); ++index) {
            if (!FSTab::isEntryLine(lines[index]))
                std::abort();
        }
        auto entries = fstabEntries(path);
        if (entries.size() != lines.size())
            std::abort();
        for (size_t index = 1; index < entries.size(); ++index) {
            const auto& entry = entries[index];
            if (entry.target != "none" || entry.type != "ntfs" || entry.options != "rw,auto,nobrowse")
                std::abort();
        }
    }
    return 0;
}
