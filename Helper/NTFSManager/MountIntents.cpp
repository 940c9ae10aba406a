#include "Helper/NTFSManager/MountIntents.h"

#include <unistd.h>

#include <algorithm>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"

namespace {

constexpr const char* kFileName = "top.kestrova.macOS.Parvex.Helper.intents.plist";
// A few records at most; anything larger is not ours.
constexpr size_t kLargestFile = 1 << 20;
// What read() says of a file that holds no record list.
constexpr int kDamaged = EBADMSG;

// A damaged file (a disk that failed mid-write, another program) must not
// stop every later step from being recorded: it is started afresh.
Expected<std::vector<MountIntents::Intent>> orFresh(Expected<std::vector<MountIntents::Intent>> intents)
{
    if (!intents && intents.error().code == kDamaged)
        return std::vector<MountIntents::Intent>();
    return intents;
}

}  // namespace

MountIntents::MountIntents(std::string path)
    : m_path(std::move(path))
{
}

std::string MountIntents::standardPath(const std::string& homeDirectory)
{
    std::string folder = FileManager::runtimeDirectory();
    if (folder.empty())
        folder = homeDirectory + "/Library/Caches";
    return folder + "/" + kFileName;
}

Expected<void> MountIntents::record(const Intent& intent)
{
    std::lock_guard guard(m_lock);
    auto intents = orFresh(read());
    if (!intents)
        return intents.error();
    // Recorded already (the volume stayed on the desktop): nothing to sync.
    if (std::ranges::find(*intents, intent) != intents->end())
        return {};
    std::erase_if(*intents, [&](const Intent& other) { return other.ID == intent.ID; });
    intents->push_back(intent);
    return write(*intents);
}

Expected<void> MountIntents::finish(const std::string& ID)
{
    std::lock_guard guard(m_lock);
    auto intents = orFresh(read());
    if (!intents)
        return intents.error();
    const size_t before = intents->size();
    std::erase_if(*intents, [&](const Intent& intent) { return intent.ID == ID; });
    if (intents->size() == before)
        return {};
    return write(*intents);
}

Expected<std::vector<MountIntents::Intent>> MountIntents::recorded() const
{
    std::lock_guard guard(m_lock);
    return read();
}

Expected<std::vector<MountIntents::Intent>> MountIntents::read() const
{
    auto data = FileManager::contents(m_path, kLargestFile);
    if (!data && data.error().code == ENOENT)
        return std::vector<Intent>();
    if (!data)
        return data.error();
    auto list = PropertyListSerialization::propertyList(*data);
    if (!list || !list->array())
        return Error{kDamaged, "the record of steps under way is damaged: " + m_path};
    std::vector<Intent> intents;
    for (const auto& item : *list->array()) {
        const auto* fields = item.dictionary();
        if (!fields)
            continue;
        const auto* ID = PropertyListValue::valueForKey(*fields, "ID");
        const auto* device = PropertyListValue::valueForKey(*fields, "device");
        const auto* folder = PropertyListValue::valueForKey(*fields, "folder");
        if (!ID || !ID->string() || !device || !device->get<std::int64_t>() || !folder || !folder->string())
            continue;
        intents.push_back({*ID->string(), static_cast<dev_t>(*device->get<std::int64_t>()), *folder->string()});
    }
    return intents;
}

Expected<void> MountIntents::write(const std::vector<Intent>& intents) const
{
    // No step under way leaves no file behind.
    if (intents.empty()) {
        if (::unlink(m_path.c_str()) != 0 && errno != ENOENT)
            return FileManager::fileError(errno, "removed", m_path);
        return {};
    }
    PropertyListValue::Array list;
    for (const auto& intent : intents) {
        list.push_back(PropertyListValue::Dictionary{{"ID", intent.ID},
                                                     {"device", static_cast<std::int64_t>(intent.device)},
                                                     {"folder", intent.folder}});
    }
    auto data = PropertyListSerialization::data(PropertyListValue(std::move(list)));
    if (!data)
        return data.error();
    if (auto made = FileManager::createDirectory(FileManager::folder(m_path), true, 0700); !made)
        return made.error();
    return FileManager::writeAtomically(m_path, *data, WriteOptions{.newFileMode = 0600, .mode = 0600});
}
