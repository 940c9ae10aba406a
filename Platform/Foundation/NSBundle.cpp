#include "Platform/Foundation/NSBundle.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/ProcessEntry.h"
#include "Platform/Foundation/PropertyListSerialization.h"

namespace {

std::atomic<std::shared_ptr<NSBundle>> mainBundle;

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::shared_ptr<NSBundle> NSBundle::main()
{
    auto bundle = mainBundle.load();
    if (!bundle) {
        std::string executable = ProcessEntry::executableOf("self").value_or("");
        auto found = std::make_shared<NSBundle>(bundlePathForExecutable(executable).value_or(FileManager::folder(executable)));
        // Another thread may have found it meanwhile; then that one holds.
        bundle = mainBundle.compare_exchange_strong(bundle, found) ? found : bundle;
    }
    return bundle;
}

void NSBundle::setMain(std::shared_ptr<NSBundle> bundle)
{
    mainBundle.store(std::move(bundle));
}

std::optional<std::string> NSBundle::bundlePathForExecutable(const std::string& executablePath)
{
    std::string macOS = FileManager::folder(executablePath);
    std::string contents = FileManager::folder(macOS);
    if (FileManager::lastPathComponent(macOS) != "MacOS" || FileManager::lastPathComponent(contents) != "Contents")
        return std::nullopt;
    std::string bundle = FileManager::folder(contents);
    if (bundle == "/" || bundle == ".")
        return std::nullopt;
    return bundle;
}

NSBundle::NSBundle(const std::string& path)
    : m_path(std::filesystem::absolute(path.empty() ? "." : path).lexically_normal().string())
{
    while (m_path.size() > 1 && m_path.back() == '/')
        m_path.pop_back();
    m_isApplicationLayout = isDirectory(contentsPath());
    if (m_isApplicationLayout)
        m_info = PropertyListSerialization::dictionaryAtPath(contentsPath() + "/Info.plist").valueOr({});
}

bool NSBundle::exists() const
{
    return isDirectory(m_path);
}

std::optional<std::string> NSBundle::executablePath() const
{
    std::string name = string("CFBundleExecutable").value_or("");
    if (name.empty()) {
        name = FileManager::lastPathComponent(m_path);
        if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
            name.erase(dot);
    }
    std::string path = contentsPath() + "/MacOS/" + name;
    if (name.find('/') != std::string::npos || !isFile(path))
        return std::nullopt;
    return path;
}

std::optional<std::string> NSBundle::bundleIdentifier() const
{
    auto identifier = string("CFBundleIdentifier");
    if (identifier && identifier->empty())
        return std::nullopt;
    return identifier;
}

const PropertyListValue* NSBundle::objectForInfoDictionaryKey(const std::string& key) const
{
    return PropertyListValue::valueForKey(m_info, key);
}

std::optional<std::string> NSBundle::string(const std::string& key) const
{
    const PropertyListValue* value = objectForInfoDictionaryKey(key);
    if (const std::string* text = value ? value->string() : nullptr)
        return *text;
    return std::nullopt;
}

std::optional<std::string> NSBundle::path(const std::string& resource, const std::string& type) const
{
    if (resource.empty())
        return std::nullopt;
    std::string folder = m_isApplicationLayout ? contentsPath() + "/Resources" : m_path;
    std::string path = folder + "/" + resource + (type.empty() ? "" : "." + type);
    if (!isFile(path))
        return std::nullopt;
    return path;
}
