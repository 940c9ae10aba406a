#include "Platform/Sparkle/SPUStandardUserDriver.h"

#include <cstdio>

namespace {

std::string describe(const SUAppcastItem& item)
{
    std::string text = item.displayVersionString;
    if (item.versionString != item.displayVersionString)
        text += " (" + item.versionString + ")";
    if (!item.title.empty())
        text += ", \"" + item.title + "\"";
    return text;
}

}  // namespace

SPUStandardUserDriver::SPUStandardUserDriver(std::string applicationName, Log log)
    : m_applicationName(std::move(applicationName))
    , m_log(log ? std::move(log) : [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); })
{
}

void SPUStandardUserDriver::showUpdateFound(const SUAppcastItem& item, const std::string& currentVersion)
{
    m_log("A newer version of " + m_applicationName + " is available: " + describe(item) + "; this is version "
          + currentVersion + ".");
}

void SPUStandardUserDriver::showUpdateNotFound(const SUAppcastItem& newest, const std::string& currentVersion)
{
    m_log(m_applicationName + " is up to date: version " + currentVersion + "; the newest in the update feed is "
          + describe(newest) + ".");
}

void SPUStandardUserDriver::showUpdaterError(const Error& error)
{
    m_log("No update check: " + error.description);
}
