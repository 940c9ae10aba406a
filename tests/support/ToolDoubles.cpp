#include "support/ToolDoubles.h"

#include <unistd.h>

#include <cstdlib>

#include "Platform/Foundation/FileManager.h"
#include "Shared/Console.h"

ToolDoubles::ToolDoubles()
    : m_state(m_root / "state")
    , m_home(m_root / "home")
{
    std::filesystem::create_directories(m_state + "/info");
    std::filesystem::create_directories(m_home + "/Desktop");
    ::setenv("PARVEX_DOUBLES", m_state.c_str(), 1);
    const char* path = ::getenv("PATH");
    m_oldPath = path ? path : "/usr/bin:/bin";
    ::setenv("PATH", (std::string(PARVEX_SOURCE_DIR) + "/tests/doubles/bin:" + m_oldPath).c_str(), 1);

    m_settings = std::make_shared<SharedData>(
        std::make_shared<UserDefaults>("top.kestrova.macOS.Parvex.Shared", m_root / "settings.plist"));
    m_bus = std::make_shared<InProcessNotificationBus>();
    m_center = std::make_unique<DistributedNotificationCenter>(m_bus);
    m_environment = std::make_shared<VolumeEnvironment>(VolumeEnvironment{*m_settings, *m_center, m_home,
        [this](const std::string& script) {
            std::lock_guard guard(m_lock);
            m_scripts.push_back(script);
        }});
    write("mountinfo", "");
    m_environment->mounts = MountTable(m_state + "/mountinfo");
    m_environment->intents = std::make_shared<MountIntents>(m_root / "intents.plist");
}

ToolDoubles::~ToolDoubles()
{
    ::setenv("PATH", m_oldPath.c_str(), 1);
}

void ToolDoubles::write(const std::string& file, const std::string& text)
{
    writeFile(m_state + "/" + file, text);
}

void ToolDoubles::setPassword(const std::string& password)
{
    writeFile(m_state + "/password", password);
    m_settings->setPwd(password);
}

pid_t ToolDoubles::hungProcess(const std::string& name) const
{
    std::string text = FileManager::contents(m_state + "/hang/" + name + ".pid").valueOr("");
    return text.empty() ? 0 : static_cast<pid_t>(std::stol(text));
}

std::vector<MountIntents::Intent> ToolDoubles::intents() const
{
    return m_environment->intents->recorded().valueOr({});
}

std::vector<ToolDoubles::Call> ToolDoubles::calls() const
{
    // One record per call, ended by 0x1e; its fields (tool, arguments) each end with a NUL.
    std::vector<Call> out;
    std::string text = FileManager::contents(m_state + "/calls").valueOr("");
    for (size_t start = 0, end; (end = text.find('\x1e', start)) != std::string::npos; start = end + 1) {
        Call call;
        for (size_t field = start, stop; field < end && (stop = text.find('\0', field)) < end; field = stop + 1) {
            std::string value = text.substr(field, stop - field);
            if (field == start)
                call.tool = value;
            else
                call.arguments.push_back(value);
        }
        out.push_back(call);
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
    return FileManager::contents(Console::shared().path()).valueOr("");
}

bool isRunningProcess(pid_t pid)
{
    std::string stat = FileManager::contents("/proc/" + std::to_string(pid) + "/stat").valueOr("");
    size_t state = stat.rfind(") ");
    return pid > 0 && state != std::string::npos && stat[state + 2] != 'Z' && stat[state + 2] != 'X';
}
