#include "Platform/Foundation/UserDefaults.h"

#include <strings.h>

#include <cerrno>
#include <cstdlib>

#include "Platform/Foundation/FileLock.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"

namespace {

// The suite's dictionary as the file holds it now. A missing or empty file is
// an empty suite; anything else that is not a dictionary is unreadable.
Expected<PropertyListValue::Dictionary> load(const std::string& path)
{
    auto bytes = FileManager::contents(path, UserDefaults::largestFile);
    if (!bytes && bytes.error().code != ENOENT)
        return bytes.error();
    if (!bytes || bytes->empty())
        return PropertyListValue::Dictionary();
    auto list = PropertyListSerialization::propertyList(*bytes);
    if (!list)
        return Error::message("The file " + path + " holds no dictionary of settings (" + list.error().description
                              + "); it is left alone");
    if (!list->dictionary())
        return Error::message("The file " + path + " holds no dictionary of settings; it is left alone");
    return *list->dictionary();
}

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

void UserDefaults::setUnreadableFileHandler(FailureHandler handler)
{
    std::lock_guard guard(m_lock);
    m_unreadable = std::move(handler);
}

std::optional<PropertyListValue> UserDefaults::valueFor(std::string_view key) const
{
    auto dictionary = load(m_path);
    if (!dictionary) {
        FileStamp now = FileManager::linkStamp(m_path);
        FailureHandler handler;
        {
            std::lock_guard guard(m_lock);
            if (!(now == m_reported)) {
                m_reported = now;
                handler = m_unreadable;
            }
        }
        if (handler)
            handler(dictionary.error());
        return std::nullopt;
    }
    {
        std::lock_guard guard(m_lock);
        m_reported = FileStamp{};
    }
    auto found = dictionary->find(std::string(key));
    if (found == dictionary->end())
        return std::nullopt;
    return std::move(found->second);
}

std::string UserDefaults::defaultPath(std::string_view suiteName)
{
    return FileManager::homeDirectory() + "/Library/Preferences/" + std::string(suiteName) + ".plist";
}

bool UserDefaults::boolForKey(std::string_view key) const
{
    auto value = valueFor(key);
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
    auto value = valueFor(key);
    if (const auto* data = value ? value->get<PropertyListValue::Data>() : nullptr)
        return data->bytes;
    return std::nullopt;
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const
{
    auto value = valueFor(key);
    if (const std::string* text = value ? value->string() : nullptr)
        return *text;
    return std::nullopt;
}

Expected<void> UserDefaults::set(bool value, std::string_view key)
{
    return write(key, PropertyListValue(value));
}

Expected<void> UserDefaults::setData(std::string_view bytes, std::string_view key)
{
    return write(key, PropertyListValue::Data{std::string(bytes)});
}

Expected<void> UserDefaults::setString(std::string_view text, std::string_view key)
{
    return write(key, std::string(text));
}

Expected<void> UserDefaults::remove(std::string_view key)
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

Expected<void> UserDefaults::write(std::string_view key, std::optional<PropertyListValue> value)
{
    Expected<void> written = [&]() -> Expected<void> {
        std::string folder = FileManager::folder(m_path);
        if (!FileManager::fileExists(folder)) {
            if (auto made = FileManager::createDirectory(folder, true, 0700); !made)
                return made;
        }
        auto lock = FileLock::lock(m_path);
        if (!lock)
            return lock.error();
        auto dictionary = load(m_path);
        if (!dictionary)
            return dictionary.error();
        if (value)
            dictionary->insert_or_assign(std::string(key), std::move(*value));
        else
            dictionary->erase(std::string(key));
        auto xml = PropertyListSerialization::data(*dictionary);
        if (!xml)
            return xml.error();
        return FileManager::writeAtomically(m_path, *xml, {.newFileMode = 0600});
    }();

    std::lock_guard guard(m_lock);
    m_lastWriteError = written ? std::nullopt : std::optional<Error>(written.error());
    return written;
}
