#include "Tools/Common/ProbeCache.h"

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Text.h"

#include <ctime>
#include <limits>
#include <optional>
#include <sys/stat.h>

namespace Tools {

namespace {

std::string nanoseconds(const timespec& time)
{
    return std::to_string(time.tv_sec) + "." + std::to_string(time.tv_nsec);
}

// Inode, size and the last change and write of a file or node; "-" if there is none.
std::string stamp(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return "-";
    return std::to_string(info.st_ino) + "," + std::to_string(info.st_size) + "," + nanoseconds(info.st_mtim) + ","
        + nanoseconds(info.st_ctim);
}

// One value a line: backslashes and line feeds escaped.
std::string escape(const std::string& value)
{
    std::string out;
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
            out += value[i] == 'n' ? '\n' : value[i];
        } else {
            out += value[i];
        }
    }
    return out;
}

constexpr size_t kFields = 8;

std::string* field(ProbeResult& result, size_t index)
{
    std::string* fields[kFields - 1] = {&result.fsType, &result.label, &result.uuid, &result.tableType,
                                        &result.entryScheme, &result.entryType, &result.entryName};
    return index < kFields - 1 ? fields[index] : nullptr;
}

}

ProbeCache::ProbeCache(std::string folder, std::string devDir, Probe probe)
    : m_folder(std::move(folder))
    , m_devDir(std::move(devDir))
    , m_probe(std::move(probe))
{
}

std::string ProbeCache::identity(const std::string& node, const BlockDeviceInfo& device) const
{
    std::string nodeStamp = stamp(node);
    if (nodeStamp == "-")
        return {};
    return deviceNumberText(device.number) + " " + std::to_string(device.diskSequence) + " "
        + std::to_string(device.sizeBytes) + " " + nodeStamp + " " + stamp(m_devDir + "/" + device.kernelName) + " "
        + stamp(device.backingFile);
}

std::string ProbeCache::entryPath(const BlockDeviceInfo& device) const
{
    return m_folder + "/" + deviceNumberText(device.number);
}

std::string ProbeCache::serialize(const std::string& identity, long probedAt, const ProbeResult& result)
{
    std::string text = identity + "\n" + std::to_string(probedAt) + "\n";
    ProbeResult copy = result;
    for (size_t index = 0; index + 1 < kFields; ++index)
        text += escape(*field(copy, index)) + "\n";
    return text + std::to_string(result.size) + "\n";
}

bool ProbeCache::deserialize(const std::string& text, const std::string& identity, long now, long maximumAge,
                             ProbeResult& result)
{
    auto lines = Text::split(text, '\n', Text::keepEmpty);
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (lines.size() != kFields + 2 || lines[0] != identity)
        return false;
    long probedAt = std::strtol(lines[1].c_str(), nullptr, 10);
    if (now < probedAt || now - probedAt > maximumAge)
        return false;
    for (size_t index = 0; index + 1 < kFields; ++index)
        *field(result, index) = unescape(lines[index + 2]);
    result.size = std::strtoull(lines[kFields + 1].c_str(), nullptr, 10);
    result.fromCache = true;
    return true;
}

Expected<ProbeResult> ProbeCache::probe(const std::string& node, const BlockDeviceInfo& device) const
{
    const std::string before = identity(node, device);
    const long now = static_cast<long>(std::time(nullptr));
    ProbeResult cached;
    std::optional<std::string> entry;
    if (!before.empty()) {
        if (auto text = FileManager::contents(entryPath(device)))
            entry = std::move(*text);
        if (entry && deserialize(*entry, before, now, maximumAge, cached))
            return cached;
    }
    Expected<ProbeResult> probed = m_probe(node);
    // A user, who may not read the device, gets libblkid's cache, which
    // holds long NTFS labels corrupted: our own answer for the same, unchanged
    // device is the better one, however old.
    if (probed && probed->fromCache && entry && deserialize(*entry, before, now, std::numeric_limits<long>::max(), cached))
        return cached;
    // Kept only when read from the device, and when nothing changed while it was read.
    if (!probed || probed->fromCache || before.empty() || identity(node, device) != before)
        return probed;
    if (FileManager::createDirectory(m_folder, true, 0755))
        (void)FileManager::writeAtomically(entryPath(device), serialize(before, now, *probed));
    return probed;
}

}
