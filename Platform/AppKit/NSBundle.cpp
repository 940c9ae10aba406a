#include "Platform/AppKit/NSBundle.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "Platform/AppKit/ProcessEntry.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"

namespace {

std::mutex& mainLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<NSBundle>& mainSlot()
{
    static std::shared_ptr<NSBundle> bundle;
    return bundle;
}

std::string folderOf(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

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
    std::lock_guard guard(mainLock());
    auto& bundle = mainSlot();
    if (!bundle)
        bundle = forExecutable(ProcessEntry::executableOf("self").value_or(""));
    return bundle;
}

void NSBundle::setMain(std::shared_ptr<NSBundle> bundle)
{
    std::lock_guard guard(mainLock());
    mainSlot() = std::move(bundle);
}

std::shared_ptr<NSBundle> NSBundle::forExecutable(const std::string& executablePath)
{
    if (auto bundlePath = bundlePathForExecutable(executablePath))
        return std::make_shared<NSBundle>(*bundlePath);
    return std::make_shared<NSBundle>(folderOf(executablePath));
}

std::optional<std::string> NSBundle::bundlePathForExecutable(const std::string& executablePath)
{
    std::string macOS = folderOf(executablePath);
    std::string contents = folderOf(macOS);
    if (FileManager::lastPathComponent(macOS) != "MacOS" || FileManager::lastPathComponent(contents) != "Contents")
        return std::nullopt;
    std::string bundle = folderOf(contents);
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
    loadInfo();
}

bool NSBundle::exists() const
{
    return isDirectory(m_path);
}

std::string NSBundle::resourcePath() const
{
    return m_isApplicationLayout ? contentsPath() + "/Resources" : m_path;
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

std::optional<std::string> NSBundle::string(const std::string& infoDictionaryKey) const
{
    auto found = m_info.find(infoDictionaryKey);
    if (found == m_info.end())
        return std::nullopt;
    if (auto* text = std::get_if<std::string>(&found->second))
        return *text;
    return std::nullopt;
}

std::optional<std::string> NSBundle::path(const std::string& resource, const std::string& type) const
{
    if (resource.empty())
        return std::nullopt;
    std::string path = resourcePath() + "/" + resource + (type.empty() ? "" : "." + type);
    if (!isFile(path))
        return std::nullopt;
    return path;
}

void NSBundle::loadInfo()
{
    if (!m_isApplicationLayout)
        return;
    auto list = PropertyListSerialization::propertyList(FileManager::contents(contentsPath() + "/Info.plist").value_or(""));
    if (!list || !list->dictionary())
        return;
    for (const auto& [key, value] : *list->dictionary()) {
        if (const std::string* text = value.string())
            m_info.emplace(key, *text);
        else if (const std::int64_t* number = value.get<std::int64_t>())
            m_info.emplace(key, *number);
        else if (const double* real = value.get<double>())
            m_info.emplace(key, *real);
        else if (const bool* flag = value.get<bool>())
            m_info.emplace(key, *flag);
    }
}
