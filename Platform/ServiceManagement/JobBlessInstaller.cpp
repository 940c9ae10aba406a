#include "Platform/ServiceManagement/JobBlessInstaller.h"

#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/ServiceManagement/HelperToolVerifier.h"
#include "Platform/ServiceManagement/LaunchDaemonStarter.h"
#include "Platform/ServiceManagement/PrivilegedFile.h"
#include "Platform/ServiceManagement/ServiceManagement.h"

JobBlessInstaller::JobBlessInstaller(JobBlessLocations locations)
    : m_locations(std::move(locations))
{
}

std::string JobBlessInstaller::toolPath(const std::string& label) const
{
    return m_locations.privilegedHelperTools + "/" + label;
}

std::string JobBlessInstaller::launchdListPath(const std::string& label) const
{
    return m_locations.launchDaemons + "/" + label + ".plist";
}

CFErrorRef JobBlessInstaller::bless(const std::string& bundlePath, const std::string& label) const
{
    VerifiedHelperTool tool;
    if (auto error = HelperToolVerifier::verify(bundlePath, label, &tool))
        return error;

    auto executable = FileManager::contents(tool.toolPath);
    if (!executable)
        return SMError(kSMErrorToolNotValid, "cannot read the helper tool " + tool.toolPath);
    std::string installedTool = toolPath(label);
    if (auto error = PrivilegedFile::prepareFolder(m_locations.privilegedHelperTools))
        return SMError(kSMErrorInternalFailure, error->description);
    if (auto error = PrivilegedFile::replace(installedTool, *executable, 0755))
        return SMError(kSMErrorInternalFailure, error->description);

    PropertyListValue::Dictionary job = tool.launchdList;
    job["Program"] = installedTool;
    auto list = PropertyListSerialization::data(job);
    if (!list)
        return SMError(kSMErrorInvalidPlist, "cannot write the launchd property list of " + label);
    if (auto error = PrivilegedFile::prepareFolder(m_locations.launchDaemons))
        return SMError(kSMErrorInternalFailure, error->description);
    if (auto error = PrivilegedFile::replace(launchdListPath(label), *list, 0644))
        return SMError(kSMErrorInternalFailure, error->description);

    auto runAtLoadEntry = job.find("RunAtLoad");
    bool runAtLoad = runAtLoadEntry != job.end() && runAtLoadEntry->second.boolean().value_or(false);
    return LaunchDaemonStarter(m_locations).restart(label, installedTool, runAtLoad);
}
