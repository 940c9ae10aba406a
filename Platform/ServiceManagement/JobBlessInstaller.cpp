#include "Platform/ServiceManagement/JobBlessInstaller.h"

#include "Platform/Foundation/FileManager.h"
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

Expected<void> JobBlessInstaller::bless(const std::string& bundlePath, const std::string& label) const
{
    auto tool = HelperToolVerifier::verify(bundlePath, label);
    if (!tool)
        return tool.error();

    auto executable = FileManager::contents(tool->toolPath);
    if (!executable)
        return SMError(kSMErrorToolNotValid, "cannot read the helper tool " + tool->toolPath);
    std::string installedTool = toolPath(label);
    if (auto prepared = PrivilegedFile::prepareFolder(m_locations.privilegedHelperTools); !prepared)
        return SMError(kSMErrorInternalFailure, prepared.error().description);
    if (auto written = PrivilegedFile::replace(installedTool, *executable, 0755); !written)
        return SMError(kSMErrorInternalFailure, written.error().description);

    PropertyListValue::Dictionary job = tool->launchdList;
    job["Program"] = installedTool;
    auto list = PropertyListSerialization::data(job);
    if (!list)
        return SMError(kSMErrorInvalidPlist, "cannot write the launchd property list of " + label);
    if (auto prepared = PrivilegedFile::prepareFolder(m_locations.launchDaemons); !prepared)
        return SMError(kSMErrorInternalFailure, prepared.error().description);
    if (auto written = PrivilegedFile::replace(launchdListPath(label), *list, 0644); !written)
        return SMError(kSMErrorInternalFailure, written.error().description);

    const PropertyListValue* runAtLoad = PropertyListValue::valueForKey(job, "RunAtLoad");
    return LaunchDaemonStarter(m_locations).restart(label, installedTool, runAtLoad && runAtLoad->boolean().value_or(false));
}
