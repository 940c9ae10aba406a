#include "Platform/Foundation/UserDefaults.h"

#include <plist/plist.h>
#include <strings.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "Platform/Foundation/FileManager.h"

namespace {

// libplist keeps no promises about threads, so one call at a time.
std::mutex& plistLock()
{
    static std::mutex lock;
    return lock;
}

struct PlistFree {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Plist = std::unique_ptr<void, PlistFree>;

enum class ReadState { parsed, unreadable };

struct Loaded {
    ReadState state = ReadState::parsed;
    Plist dictionary;
};

// The suite's dictionary as the file holds it now. A missing or empty file is
// an empty suite; anything else that is not a dictionary is unreadable.
Loaded load(const std::string& path)
{
    FileError error;
    auto bytes = FileManager::contents(path, &error);
    if (!bytes && error.code != ENOENT)
        return {ReadState::unreadable, nullptr};
    if (!bytes || bytes->empty())
        return {ReadState::parsed, Plist(plist_new_dict())};
    if (bytes->size() > UINT32_MAX)
        return {ReadState::unreadable, nullptr};

    plist_t parsed = nullptr;
    {
        std::lock_guard guard(plistLock());
        plist_from_memory(bytes->data(), static_cast<uint32_t>(bytes->size()), &parsed);
    }
    Plist owned(parsed);
    if (!parsed || plist_get_node_type(parsed) != PLIST_DICT)
        return {ReadState::unreadable, nullptr};
    return {ReadState::parsed, std::move(owned)};
}

std::string folderOf(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Holds an exclusive advisory lock on a folder for as long as it lives.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : m_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
};

bool boolFromString(const std::string& text)
{
    if (::strcasecmp(text.c_str(), "yes") == 0 || ::strcasecmp(text.c_str(), "true") == 0)
        return true;
    char* end = nullptr;
    double number = std::strtod(text.c_str(), &end);
    return end != text.c_str() && number != 0.0;
}

}  // namespace

UserDefaults::UserDefaults(std::string suiteName, std::string path)
    : m_suiteName(std::move(suiteName))
    , m_path(path.empty() ? defaultPath(m_suiteName) : std::move(path))
{
}

std::string UserDefaults::defaultPath(std::string_view suiteName)
{
    return FileManager::homeDirectory() + "/Library/Preferences/" + std::string(suiteName) + ".plist";
}

bool UserDefaults::boolForKey(std::string_view key) const
{
    Loaded loaded = load(m_path);
    if (!loaded.dictionary)
        return false;
    plist_t item = plist_dict_get_item(loaded.dictionary.get(), std::string(key).c_str());
    if (!item)
        return false;
    switch (plist_get_node_type(item)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(item, &value);
        return value != 0;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(item, &value);
        return value != 0;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(item, &value);
        return value != 0.0;
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(item, &text);
        std::string value = text ? text : "";
        std::free(text);
        return boolFromString(value);
    }
    default:
        return false;
    }
}

std::optional<std::string> UserDefaults::dataForKey(std::string_view key) const
{
    Loaded loaded = load(m_path);
    if (!loaded.dictionary)
        return std::nullopt;
    plist_t item = plist_dict_get_item(loaded.dictionary.get(), std::string(key).c_str());
    if (!item || plist_get_node_type(item) != PLIST_DATA)
        return std::nullopt;
    char* bytes = nullptr;
    uint64_t length = 0;
    plist_get_data_val(item, &bytes, &length);
    std::string value(bytes ? bytes : "", bytes ? static_cast<size_t>(length) : 0);
    std::free(bytes);
    return value;
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const
{
    Loaded loaded = load(m_path);
    if (!loaded.dictionary)
        return std::nullopt;
    plist_t item = plist_dict_get_item(loaded.dictionary.get(), std::string(key).c_str());
    if (!item || plist_get_node_type(item) != PLIST_STRING)
        return std::nullopt;
    char* text = nullptr;
    plist_get_string_val(item, &text);
    std::string value = text ? text : "";
    std::free(text);
    return value;
}

bool UserDefaults::set(bool value, std::string_view key)
{
    return write(Kind::boolean, key, value, {});
}

bool UserDefaults::setData(std::string_view bytes, std::string_view key)
{
    return write(Kind::data, key, false, bytes);
}

bool UserDefaults::setString(std::string_view text, std::string_view key)
{
    return write(Kind::string, key, false, text);
}

bool UserDefaults::remove(std::string_view key)
{
    return write(Kind::removal, key, false, {});
}

bool UserDefaults::synchronize()
{
    std::lock_guard guard(m_lock);
    return m_lastWriteSucceeded;
}

bool UserDefaults::write(Kind kind, std::string_view key, bool flag, std::string_view bytes)
{
    std::string folder = folderOf(m_path);
    if (!FileManager::fileExists(folder))
        FileManager::createDirectory(folder, true, 0700);

    bool succeeded = false;
    {
        FolderLock folderLock(folder);
        Loaded loaded = load(m_path);
        if (loaded.dictionary) {
            std::string name(key);
            plist_t dictionary = loaded.dictionary.get();
            switch (kind) {
            case Kind::boolean:
                plist_dict_set_item(dictionary, name.c_str(), plist_new_bool(flag ? 1 : 0));
                break;
            case Kind::data:
                plist_dict_set_item(dictionary, name.c_str(), plist_new_data(bytes.data(), bytes.size()));
                break;
            case Kind::string:
                plist_dict_set_item(dictionary, name.c_str(), plist_new_string(std::string(bytes).c_str()));
                break;
            case Kind::removal:
                if (plist_dict_get_item(dictionary, name.c_str()))
                    plist_dict_remove_item(dictionary, name.c_str());
                break;
            }

            char* xml = nullptr;
            uint32_t length = 0;
            {
                std::lock_guard guard(plistLock());
                plist_to_xml(dictionary, &xml, &length);
            }
            if (xml) {
                succeeded = !FileManager::writeAtomically(m_path, std::string_view(xml, length), 0600);
                plist_to_xml_free(xml);
            }
        }
    }

    std::lock_guard guard(m_lock);
    m_lastWriteSucceeded = succeeded;
    return succeeded;
}
