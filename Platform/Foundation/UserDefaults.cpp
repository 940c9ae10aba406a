#include "Platform/Foundation/UserDefaults.h"

#include <strings.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"

namespace {

// The suite's dictionary as the file holds it now. A missing or empty file is
// an empty suite; anything else that is not a dictionary is unreadable.
Expected<PropertyListValue::Dictionary> load(const std::string& path)
{
    FileError error;
    auto bytes = FileManager::contents(path, &error);
    if (!bytes && error.code != ENOENT)
        return Error{error.code, error.description};
    if (!bytes || bytes->empty())
        return PropertyListValue::Dictionary();
    auto list = PropertyListSerialization::propertyList(*bytes);
    if (!list || !list->dictionary())
        return Error{0, "The settings file " + path + " holds no dictionary of settings; it is left as it is."};
    return *list->dictionary();
}

std::optional<PropertyListValue> valueFor(const std::string& path, std::string_view key)
{
    auto dictionary = load(path);
    if (!dictionary)
        return std::nullopt;
    auto found = dictionary->find(std::string(key));
    if (found == dictionary->end())
        return std::nullopt;
    return std::move(found->second);
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
    auto value = valueFor(m_path, key);
    if (!value)
        return false;
    if (const bool* flag = value->get<bool>())
        return *flag;
    if (const std::int64_t* number = value->get<std::int64_t>())
        return *number != 0;
    if (const double* number = value->get<double>())
        return *number != 0.0;
    if (const std::string* text = value->string())
        return boolFromString(*text);
    return false;
}

std::optional<std::string> UserDefaults::dataForKey(std::string_view key) const
{
    auto value = valueFor(m_path, key);
    if (const auto* data = value ? value->get<PropertyListValue::Data>() : nullptr)
        return data->bytes;
    return std::nullopt;
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const
{
    auto value = valueFor(m_path, key);
    if (const std::string* text = value ? value->string() : nullptr)
        return *text;
    return std::nullopt;
}

bool UserDefaults::set(bool value, std::string_view key)
{
    return write(key, PropertyListValue(value));
}

bool UserDefaults::setData(std::string_view bytes, std::string_view key)
{
    return write(key, PropertyListValue::Data{std::string(bytes)});
}

bool UserDefaults::setString(std::string_view text, std::string_view key)
{
    return write(key, std::string(text));
}

bool UserDefaults::remove(std::string_view key)
{
    return write(key, std::nullopt);
}

bool UserDefaults::synchronize()
{
    std::lock_guard guard(m_lock);
    return !m_lastWriteError;
}

std::optional<Error> UserDefaults::lastWriteError() const
{
    std::lock_guard guard(m_lock);
    return m_lastWriteError;
}

bool UserDefaults::write(std::string_view key, std::optional<PropertyListValue> value)
{
    std::string folder = folderOf(m_path);
    if (!FileManager::fileExists(folder))
        FileManager::createDirectory(folder, true, 0700);

    std::optional<Error> failure;
    {
        FolderLock folderLock(folder);
        auto dictionary = load(m_path);
        if (dictionary) {
            if (value)
                dictionary->insert_or_assign(std::string(key), std::move(*value));
            else
                dictionary->erase(std::string(key));
            auto xml = PropertyListSerialization::data(std::move(*dictionary));
            if (!xml)
                failure = Error{0, "The settings could not be written as a property list."};
            else if (auto written = FileManager::writeAtomically(m_path, *xml, 0600))
                failure = Error{written->code, written->description};
        } else {
            failure = dictionary.error();
        }
    }

    std::lock_guard guard(m_lock);
    m_lastWriteError = failure;
    return !failure;
}
