#include "ToolDoubles.h"

#include <unistd.h>

#include <cstdlib>

#include "Platform/Foundation/FileManager.h"
#include "Shared/Console.h"

ToolDoubles::ToolDoubles()
{
    char pattern[] = "/tmp/parvex-doubles.XXXXXX";
    m_root = ::mkdtemp(pattern);
    m_state = m_root + "/state";
    m_home = m_root + "/home";
    FileManager::createDirectory(m_state + "/info", true);
    FileManager::createDirectory(m_home + "/Desktop", true);
    ::setenv("PARVEX_DOUBLES", m_state.c_str(), 1);
    const char* path = ::getenv("PATH");
    m_oldPath = path ? path : "/usr/bin:/bin";
    ::setenv("PATH", (std::string(PARVEX_SOURCE_DIR) + "/tests/doubles/bin:" + m_oldPath).c_str(), 1);

    m_settings = std::make_shared<SharedData>(
        std::make_shared<UserDefaults>("top.kestrova.macOS.Parvex.Shared", m_root + "/settings.plist"));
    m_bus = std::make_shared<InProcessNotificationBus>();
    m_center = std::make_unique<DistributedNotificationCenter>(m_bus);
    m_environment = std::make_shared<VolumeEnvironment>(VolumeEnvironment{*m_settings, *m_center, m_home,
        [this](const std::string& script) {
            std::lock_guard guard(m_lock);
            m_scripts.push_back(script);
        }});
}

ToolDoubles::~ToolDoubles()
{
    ::setenv("PATH", m_oldPath.c_str(), 1);
    std::system(("rm -rf '" + m_root + "'").c_str());
}

void ToolDoubles::setList(const std::string& text)
{
    FileManager::writeAtomically(m_state + "/list", text);
}

void ToolDoubles::setInfo(const std::string& identifier, const std::string& text)
{
    FileManager::writeAtomically(m_state + "/info/" + identifier, text);
}

void ToolDoubles::setDf(const std::string& text)
{
    FileManager::writeAtomically(m_state + "/df", text);
}

void ToolDoubles::setPassword(const std::string& password)
{
    FileManager::writeAtomically(m_state + "/password", password);
    m_settings->setPwd(password);
}

std::vector<ToolDoubles::Call> ToolDoubles::calls() const
{
    std::vector<Call> out;
    std::string text = FileManager::contents(m_state + "/calls").value_or("");
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\x1e', start);
        if (end == std::string::npos)
            break;
        std::string record = text.substr(start, end - start);
        Call call;
        size_t field = 0;
        bool first = true;
        while (field < record.size()) {
            size_t stop = record.find('\0', field);
            std::string value = record.substr(field, stop - field);
            if (first)
                call.tool = value;
            else
                call.arguments.push_back(value);
            first = false;
            field = stop + 1;
        }
        out.push_back(call);
        start = end + 1;
    }
    return out;
}

std::vector<ToolDoubles::Call> ToolDoubles::calls(const std::string& tool) const
{
    std::vector<Call> out;
    for (auto& call : calls()) {
        if (call.tool == tool)
            out.push_back(call);
    }
    return out;
}

std::vector<std::string> ToolDoubles::scripts() const
{
    std::lock_guard guard(m_lock);
    return m_scripts;
}

void ToolDoubles::forget()
{
    ::unlink((m_state + "/calls").c_str());
    std::lock_guard guard(m_lock);
    m_scripts.clear();
}

std::string ToolDoubles::info(const std::string& name, const std::string& mounted, const std::string& personality,
                              size_t alignment)
{
    std::string text = "   Device Identifier:         disk4s1\n"
                       "   Device Node:               /dev/disk4s1\n"
                       "   Whole:                     No\n"
                       "   Part of Whole:             disk4\n\n"
                       "   Volume Name:" + std::string(alignment, ' ') + name + "\n"
                       "   Mounted:                   " + mounted + "\n";
    if (!personality.empty())
        text += "   File System Personality:   " + personality + "\n";
    return text + "   Disk Size:                 1.0 GB (1073741824 Bytes)\n";
}

std::string ToolDoubles::listing(const std::vector<std::string>& rows)
{
    std::string text = "/dev/disk4 (external, physical):\n"
                       "   #:                       TYPE NAME                    SIZE       IDENTIFIER\n";
    for (const auto& row : rows)
        text += row + "\n";
    return text + "\n";
}

std::string unitLog()
{
    return FileManager::contents(Console::programLogPath()).value_or("");
}
